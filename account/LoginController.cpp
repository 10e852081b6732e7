#include "account/LoginController.h"

namespace ralu {

LoginController::LoginController(AppState &state, SavedLogin &savedLogin, MessageBoxes &boxes,
                                 QStringList presets, std::function<void()> registerAccount)
    : m_state(state), m_savedLogin(savedLogin), m_boxes(boxes), m_presets(std::move(presets)),
      m_registerAccount(std::move(registerAccount))
{
}

LoginFields LoginController::load()
{
    LoginFields fields;
    fields.server = m_presets.value(0);
    LoginValues &v = m_state.login;
    m_savedLogin.readProfile(v);
    if (v.strSaveFlag == QLatin1String("yes"))
        fields.saveChecked = true;
    if (!v.strUserName.isEmpty() || !v.strPassword.isEmpty()) {
        fields.saveChecked = true;
        if (!v.strUserName.isEmpty())
            fields.account = v.strUserName;
        if (!v.strPassword.isEmpty())
            fields.password = v.strPassword;
        if (!v.strLoginSIPIP.isEmpty())
            fields.server = v.strLoginSIPIP;
    }
    return fields;
}

bool LoginController::login(const QString &account, const QString &password, const QString &server,
                            bool saveChecked)
{
    if (account.isEmpty() || password.isEmpty()) {
        m_boxes.show(QStringLiteral("Account No. and Password must not be blank"), MessageBoxes::Icon::None);
        return false;
    }
    LoginValues &v = m_state.login;
    v.strUserName = account.trimmed();
    v.strDisplayName = v.strUserName;
    v.strAccountNumber = v.strUserName;
    v.strPassword = password.trimmed();
    v.strAccountPassword = v.strPassword;
    v.strLoginSIPIP = server.trimmed();

    bool preset = false;
    for (const QString &candidate : m_presets) {
        if (candidate.trimmed() == v.strLoginSIPIP)
            preset = true;
    }
    if (!preset) {
        m_boxes.show(QStringLiteral("Invalid SIP IP/Domain"), MessageBoxes::Icon::Information);
        return false;
    }

    m_savedLogin.saveProfile(v);
    if (saveChecked) {
        v.strSaveFlag = QStringLiteral("yes");
        m_savedLogin.saveProfile(v);
    } else {
        v.strSaveFlag = QStringLiteral("no");
        // The erase reads the entries back before deleting them; those are the
        // values just written, so the login in memory keeps what was typed even
        // when the store could not be written.
        LoginValues readBack = v;
        m_savedLogin.eraseProfile(readBack);
    }
    if (m_registerAccount)
        m_registerAccount();
    return true;
}

void LoginController::exit()
{
    if (m_state.blnStartupLogin)
        m_state.startupAbandoned = true;
    m_state.blnPhoneBookOpen = false;
}

} // namespace ralu

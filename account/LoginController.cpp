#include "account/LoginController.h"

namespace ralu {

namespace {
const QString kReadFailed = QStringLiteral("The saved login could not be read.");
const QString kSaveFailed = QStringLiteral("The login could not be saved.");
const QString kForgetFailed = QStringLiteral("The saved login could not be removed.");
} // namespace

LoginController::LoginController(AppState &state, SavedLogin &savedLogin, MessageBoxes &boxes,
    QStringList presets, std::function<void()> registerAccount)
    : m_state(state)
    , m_savedLogin(savedLogin)
    , m_boxes(boxes)
    , m_presets(std::move(presets))
    , m_registerAccount(std::move(registerAccount))
{
}

LoginFields LoginController::load()
{
    LoginFields fields;
    fields.server = m_presets.value(0);
    LoginValues &v = m_state.login;
    if (!m_savedLogin.readProfile(v))
        reportStoreProblem(kReadFailed);
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

bool LoginController::login(
    const QString &account, const QString &password, const QString &server, bool saveChecked)
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

    // Ticked: the six entries in one write, "Save" holding "yes". Cleared:
    // the store is left without the login, and none of it is written first.
    // Either way a failure is told once and the login still goes ahead.
    if (saveChecked) {
        v.strSaveFlag = QStringLiteral("yes");
        if (!m_savedLogin.saveProfile(v))
            reportStoreProblem(kSaveFailed);
    } else {
        if (!m_savedLogin.forgetProfile(v))
            reportStoreProblem(kForgetFailed);
        v.strSaveFlag = QStringLiteral("no");
    }
    if (m_registerAccount)
        m_registerAccount();
    return true;
}

void LoginController::reportStoreProblem(const QString &what)
{
    m_boxes.show(what + QLatin1Char('\n') + m_savedLogin.problem(), MessageBoxes::Icon::Exclamation);
}

void LoginController::exit()
{
    if (m_state.blnStartupLogin)
        m_state.startupAbandoned = true;
    m_state.blnPhoneBookOpen = false;
}

} // namespace ralu

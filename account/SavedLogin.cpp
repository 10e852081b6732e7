#include "account/SavedLogin.h"

#include <QCoreApplication>
#include <QFileInfo>

namespace ralu {

namespace {
const QString kSection = QStringLiteral("Parameters");
const QString kKey = QStringLiteral("Validation");
} // namespace

SavedLogin::SavedLogin(SettingsStore &store, QString executableName)
    : m_store(store), m_executableName(std::move(executableName))
{
}

QString SavedLogin::currentExecutableName()
{
    return QFileInfo(QCoreApplication::applicationFilePath()).completeBaseName();
}

QString SavedLogin::read(const QString &suffix) const
{
    return m_store.get(appName(suffix), kSection, kKey, QString());
}

void SavedLogin::saveProfile(const LoginValues &v)
{
    m_store.save(appName(QStringLiteral("Password")), kSection, kKey, v.strPassword);
    m_store.save(appName(QStringLiteral("Save")), kSection, kKey, v.strSaveFlag);
    m_store.save(appName(QStringLiteral("Username")), kSection, kKey, v.strUserName);
    m_store.save(appName(QStringLiteral("accountnumber")), kSection, kKey, v.strAccountNumber);
    m_store.save(appName(QStringLiteral("accountpassword")), kSection, kKey, v.strAccountPassword);
    m_store.save(appName(QStringLiteral("sipip")), kSection, kKey, v.strLoginSIPIP);
}

void SavedLogin::readProfile(LoginValues &v) const
{
    v.strPassword = read(QStringLiteral("Password"));
    v.strAccountNumber = read(QStringLiteral("accountnumber"));
    v.strAccountPassword = read(QStringLiteral("accountpassword"));
    v.strUserName = read(QStringLiteral("Username"));
    v.strSaveFlag = read(QStringLiteral("Save"));
    v.strLoginSIPIP = read(QStringLiteral("sipip"));
}

void SavedLogin::eraseProfile(LoginValues &v)
{
    readProfile(v);
    const std::pair<const char *, const QString *> entries[] = {
        {"Password", &v.strPassword},           {"Username", &v.strUserName},
        {"Save", &v.strSaveFlag},               {"accountnumber", &v.strAccountNumber},
        {"accountpassword", &v.strAccountPassword}, {"sipip", &v.strLoginSIPIP},
    };
    for (const auto &[suffix, value] : entries) {
        if (!value->isEmpty())
            m_store.deleteApp(appName(QString::fromLatin1(suffix)));
    }
}

} // namespace ralu

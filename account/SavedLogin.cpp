#include "account/SavedLogin.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <utility>

namespace ralu {

namespace {

const QString kSection = QStringLiteral("Parameters");
const QString kKey = QStringLiteral("Validation");

// The six entries in the order they are written.
std::pair<const char *, QString LoginValues::*> const kEntries[] = {
    { "Password", &LoginValues::strPassword },
    { "Save", &LoginValues::strSaveFlag },
    { "Username", &LoginValues::strUserName },
    { "accountnumber", &LoginValues::strAccountNumber },
    { "accountpassword", &LoginValues::strAccountPassword },
    { "sipip", &LoginValues::strLoginSIPIP },
};

} // namespace

SavedLogin::SavedLogin(SettingsStore &store, QString executableName)
    : m_store(store)
    , m_executableName(std::move(executableName))
{
}

QString SavedLogin::currentExecutableName()
{
    return QFileInfo(QCoreApplication::applicationFilePath()).completeBaseName();
}

bool SavedLogin::saveProfile(const LoginValues &v)
{
    std::vector<SettingsChange> changes;
    for (const auto &[suffix, value] : kEntries)
        changes.push_back(
            SettingsChange::set(appName(QString::fromLatin1(suffix)), kSection, kKey, v.*value));
    return m_store.apply(changes);
}

bool SavedLogin::readProfile(LoginValues &v) const
{
    bool ok = true;
    for (const auto &[suffix, value] : kEntries) {
        v.*value = m_store.get(appName(QString::fromLatin1(suffix)), kSection, kKey, QString());
        ok = ok && m_store.lastError().isEmpty();
    }
    return ok;
}

bool SavedLogin::forgetProfile(const LoginValues &v)
{
    std::vector<SettingsChange> changes;
    for (const auto &[suffix, value] : kEntries) {
        const QString app = appName(QString::fromLatin1(suffix));
        changes.push_back((v.*value).isEmpty() ? SettingsChange::removeKey(app, kSection, kKey)
                                               : SettingsChange::removeApp(app));
    }
    return m_store.apply(changes);
}

} // namespace ralu

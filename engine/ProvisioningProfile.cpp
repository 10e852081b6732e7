#include "engine/ProvisioningProfile.h"

#include <QString>
#include <QXmlStreamReader>

namespace ralu {

namespace {

std::string escapeXml(const std::string &value)
{
    std::string out;
    out.reserve(value.size());
    for (char c : value) {
        switch (c) {
        case '&':
            out += "&amp;";
            break;
        case '<':
            out += "&lt;";
            break;
        case '>':
            out += "&gt;";
            break;
        case '"':
            out += "&quot;";
            break;
        case '\'':
            out += "&apos;";
            break;
        default:
            out += c;
        }
    }
    return out;
}

std::string attr(const QXmlStreamAttributes &attributes, const char *name)
{
    return attributes.value(QLatin1String(name)).toString().toStdString();
}

} // namespace

std::string buildProvisioningProfile(const std::string &userName, const std::string &displayName,
    const std::string &password, const std::string &server)
{
    const std::string u = escapeXml(userName);
    const std::string n = escapeXml(displayName);
    const std::string p = escapeXml(password);
    const std::string s = escapeXml(server);
    std::string xml;
    xml += "<provision key=\"" + std::string(kProfileKey) + "\" name=\"" + u;
    xml += "\" expires=\"600\"><user account=\"" + u;
    xml += "\" name=\"" + n;
    xml += "\" password=\"" + p;
    xml += "\" uri=\"sip:" + u + "@" + s;
    xml += "\" /> <sipsrv addr=\"" + s;
    xml += "\" protocol=\"UDP\" auth=\"digest\" role=\"registrar\">";
    xml += "<session party=\"first\" type=\"pc2ph\" /></sipsrv><sipsrv addr=\"" + s;
    xml += "\" protocol=\"UDP\" auth=\"digest\" role=\"proxy\">";
    xml += "<session party=\"first\" type=\"pc2ph\" /></sipsrv><provider calldisplay=\"sip:" + u + "@" + s;
    xml += "\" /></provision>";
    return xml;
}

std::optional<ProfileAccount> parseProvisioningProfile(const std::string &xml)
{
    QXmlStreamReader reader(QString::fromStdString(xml));
    ProfileAccount account;
    bool sawProvision = false;
    bool sawUser = false;
    while (!reader.atEnd()) {
        if (reader.readNext() != QXmlStreamReader::StartElement)
            continue;
        const auto name = reader.name();
        const auto attributes = reader.attributes();
        if (name == QLatin1String("provision")) {
            sawProvision = true;
            account.key = attr(attributes, "key");
            bool ok = false;
            account.expires = attributes.value(QLatin1String("expires")).toInt(&ok);
            if (!ok)
                account.expires = 0;
        } else if (name == QLatin1String("user")) {
            sawUser = true;
            account.userName = attr(attributes, "account");
            account.displayName = attr(attributes, "name");
            account.password = attr(attributes, "password");
            account.userUri = attr(attributes, "uri");
        } else if (name == QLatin1String("sipsrv")) {
            const std::string role = attr(attributes, "role");
            if (role == "registrar") {
                account.registrar = attr(attributes, "addr");
                account.registrarProtocol = attr(attributes, "protocol");
                account.registrarAuth = attr(attributes, "auth");
            } else if (role == "proxy") {
                account.proxy = attr(attributes, "addr");
                account.proxyProtocol = attr(attributes, "protocol");
                account.proxyAuth = attr(attributes, "auth");
            }
        }
    }
    if (reader.hasError() || !sawProvision || !sawUser || account.registrar.empty() || account.expires <= 0)
        return std::nullopt;
    return account;
}

} // namespace ralu

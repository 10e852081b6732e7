#include "app/LogRedaction.h"
#include "app/SupportLog.h"

#include <QDir>
#include <QFile>
#include <QLoggingCategory>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using ralu::redactLog;
using ralu::SupportLog;

namespace {
Q_LOGGING_CATEGORY(lcTestSip, "ralu.sip.test")
Q_LOGGING_CATEGORY(lcTestUi, "ralu.ui.test")

QByteArray contents(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}
} // namespace

TEST(LogRedaction, SecretsAndAuthorizationNeverPass)
{
    const QStringList secrets { "pa", "pass&1", "", "0042" };
    const struct {
        const char *line;
        const char *written;
    } cases[] = {
        { "Authorization: Digest username=\"0042\", response=\"ab\"", "Authorization: <redacted>" },
        { "x\r\nproxy-authorization:Digest a=b\r\nVia: v", "x\r\nproxy-authorization: <redacted>\r\nVia: v" },
        { "GET /q?pin=77&pwd=x;ha1 = \"ff\" Password: hunter",
            "GET /q?pin=<redacted>&pwd=<redacted>;ha1 = \"<redacted>\" Password: <redacted>" },
        { "user pass&1 at sip:0042@h", "user <redacted> at sip:<redacted>@h" },
        { "WWW-Authenticate: Digest nonce=\"n\"", "WWW-Authenticate: Digest nonce=\"n\"" },
    };
    for (const auto &c : cases)
        EXPECT_EQ(redactLog(QString::fromUtf8(c.line), secrets), QString::fromUtf8(c.written)) << c.line;
}

TEST(SupportLog, KeepsFailuresOrTheSipTraceAndOneOldFileAtItsCap)
{
    QTemporaryDir dir;
    const QString folder = dir.filePath(QStringLiteral("state/ralu"));
    SupportLog log(folder, 400);
    log.install();
    log.setSecrets({ QStringLiteral("s3cret") });
    qCInfo(lcTestSip) << "trace off";
    qCInfo(lcTestUi) << "chatter";
    qCWarning(lcTestUi) << "box: s3cret failed";
    log.setSipTrace(true);
    qCInfo(lcTestSip) << "trace on";
    qCInfo(lcTestUi) << "still chatter";
    const QByteArray first = contents(log.filePath());
    EXPECT_TRUE(first.contains("W ralu.ui.test: box: <redacted> failed")) << first.constData();
    EXPECT_TRUE(first.contains("I ralu.sip.test: trace on"));
    EXPECT_FALSE(first.contains("trace off") || first.contains("chatter") || first.contains("s3cret"));
    EXPECT_EQ(QFile(log.filePath()).permissions() & 0x0077, 0) << "owner-only";

    for (int i = 0; i < 20; ++i)
        qCWarning(lcTestUi) << "failure" << i;
    EXPECT_LE(QFile(log.filePath()).size(), 400);
    EXPECT_TRUE(contents(log.filePath()).contains("failure 19"));
    EXPECT_FALSE(contents(log.filePath() + ".1").contains("<missing>"));
    EXPECT_EQ(QDir(folder).entryList(QDir::Files).size(), 2);
}

// The demo billing server's small helpers: HTTP reason phrases, form
// values, and the TLS configuration of its https mode.
#pragma once

#include <QByteArray>
#include <QMap>
#include <QSslConfiguration>
#include <QString>

// Ends the program with the reason on stderr.
[[noreturn]] void fail(const QByteArray &why);
QByteArray readFile(const QString &path);
// The server's side of TLS from a PEM certificate and its key (RSA or EC).
QSslConfiguration tlsConfiguration(const QString &certPath, const QString &keyPath);

QByteArray reasonPhrase(int code);
// Form and query values: "+" is a blank, then percent escapes.
QByteArray formDecode(QByteArray value);
QMap<QByteArray, QByteArray> parseForm(const QByteArray &text);

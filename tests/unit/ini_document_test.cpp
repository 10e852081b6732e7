// The settings file's text on its own: what a file reads as is written so
// that it reads the same again, and a value set reads back exactly.
#include "account/IniDocument.h"
#include "qt_printers.h"

#include <gtest/gtest.h>

using ralu::IniDocument;

TEST(IniDocument, WhatAFileReadsAsIsWrittenSoThatItReadsTheSame)
{
    struct Case {
        const char *what;
        QByteArray text;
        QString path;
        QString value;
    };
    const Case cases[] = {
        { "a key that ends in an escaped blank", "[App]\nSection\\ =v\n", "App/Section/", "v" },
        { "a key that ends in three", "[App]\nSection\\\\\\ =v\n", "App/Section///", "v" },
        { "a mark after an escape", "[App]\nk=\\t\xEF\xBB\xBFx\n", "App/k", QStringLiteral("\t\uFEFFx") },
        { "a mark after a quote", "[App]\nk=\"\xEF\xBB\xBF;\"\n", "App/k", QStringLiteral("\uFEFF;") },
        { "a mark after a comma", "[App]\nk=a,\xEF\xBB\xBF\n", "App/k", QStringLiteral("a,\uFEFF") },
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        const IniDocument read = IniDocument::parse(c.text);
        EXPECT_EQ(read.value(c.path), c.value);
        const QByteArray written = read.toText();
        const IniDocument again = IniDocument::parse(written);
        EXPECT_EQ(again.value(c.path), c.value) << written.toStdString();
        EXPECT_EQ(again.toText(), written);
    }
}

TEST(IniDocument, AValueSetReadsBackExactly)
{
    const QString values[] = {
        QStringLiteral("\uFEFF"),
        QStringLiteral("\uFEFFlead"),
        QStringLiteral("tab\t\uFEFF"),
        QStringLiteral("\"\uFEFF\""),
        QStringLiteral("x,\uFEFF,y"),
        QStringLiteral("@\uFEFF"),
    };
    for (const QString &value : values) {
        IniDocument doc;
        doc.setValue(QStringLiteral("ralu Password/Parameters/Validation"), value);
        EXPECT_EQ(
            IniDocument::parse(doc.toText()).value(QStringLiteral("ralu Password/Parameters/Validation")),
            value)
            << doc.toText().toStdString();
    }
}

// The layout dump window Form1: the text blocks of its controls, appended on
// every press, with the user's decimal separator.
#include "Form1.h"
#include "LayoutDump.h"
#include "qt_printers.h"

#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTimer>
#include <gtest/gtest.h>

using namespace ralu;

namespace {

// A window holding the dump's own button and box, and what else is asked.
struct DumpWindow {
    QWidget window;
    DumpWindow()
    {
        (new QPushButton(&window))->setObjectName(QStringLiteral("cmdPelk"));
        (new QPlainTextEdit(&window))->setObjectName(QStringLiteral("txtPelk"));
        (new QTimer(&window))->setObjectName(QStringLiteral("tmrSkipped"));
    }
    template <typename W> void add(const char *name, QRect geometry)
    {
        auto *w = new W(&window);
        w->setObjectName(QString::fromLatin1(name));
        w->setGeometry(geometry);
    }
};

} // namespace

TEST(LayoutDump, NumbersInTheirShortestFormWithTheLocalesSeparator)
{
    const QLocale c = QLocale::c();
    const QLocale german(QLocale::German, QLocale::Germany);
    const std::tuple<float, const QLocale *, const char *> cases[] = {
        { 16.0f, &c, "16" },
        { 304.5f, &c, "304.5" },
        { 304.5f, &german, "304,5" },
        { 0.1f, &c, "0.1" },
        { 1234.0f, &german, "1234" },
        { -2.25f, &c, "-2.25" },
        { 0.0f, &c, "0" },
        { 20000000.0f, &c, "20000000" },
    };
    for (const auto &[value, locale, expected] : cases)
        EXPECT_EQ(layoutdump::number(value, *locale), QString::fromLatin1(expected)) << expected;
    EXPECT_EQ(layoutdump::block(QStringLiteral("Picture18"), 304.5f, 16, 12, 32, german),
        QStringLiteral(
            "\tWith Picture18\r\n\t\t.Left=304,5\r\n\t\t.Top=16\r\n\t\t.Height=12\r\n\t\t.Width=32\r\n"
            "\tEnd With\r\n"));
}

TEST(LayoutDump, TwoControlsInTheWindowsOrderLeavingOutTheDumpsOwn)
{
    DumpWindow w;
    w.add<QLabel>("Label1", QRect(18, 24, 73, 17));
    w.add<QLineEdit>("txtAcctNo", QRect(94, 47, 121, 19));
    EXPECT_EQ(layoutdump::dump(&w.window, QLocale::c()),
        QStringLiteral(
            "\tWith Label1\r\n\t\t.Left=18\r\n\t\t.Top=24\r\n\t\t.Height=17\r\n\t\t.Width=73\r\n"
            "\tEnd With\r\n"
            "\tWith txtAcctNo\r\n\t\t.Left=94\r\n\t\t.Top=47\r\n\t\t.Height=19\r\n\t\t.Width=121\r\n"
            "\tEnd With\r\n"));
}

TEST(LayoutDump, OnlyTheButtonAndTheBoxGiveNothing)
{
    DumpWindow w;
    auto *line = new QFrame(&w.window); // a line is no control of the dump
    line->setFrameShape(QFrame::HLine);
    EXPECT_EQ(layoutdump::dump(&w.window, QLocale::c()), QString());
}

TEST(LayoutDump, Form1AppendsTheDumpOfTheLoginControlsOnEachPress)
{
    Form1 form(QLocale::c());
    form.dumpButton()->click();
    const QString once = form.text();
    EXPECT_TRUE(once.startsWith(QStringLiteral(
        "\tWith Label1\r\n\t\t.Left=18\r\n\t\t.Top=24\r\n\t\t.Height=17\r\n\t\t.Width=73\r\n\tEnd With\r\n"
        "\tWith cmbSIPIP\r\n\t\t.Left=94\r\n\t\t.Top=22\r\n")));
    EXPECT_TRUE(once.endsWith(QStringLiteral(
        "\tWith cmdExit\r\n\t\t.Left=120\r\n\t\t.Top=110\r\n\t\t.Height=24\r\n\t\t.Width=64\r\n"
        "\tEnd With\r\n")));
    EXPECT_EQ(once.count(QStringLiteral("\tEnd With\r\n")), 10);
    EXPECT_FALSE(once.contains(QStringLiteral("Pelk")));
    form.dumpButton()->click();
    EXPECT_EQ(form.text(), once + once);
}

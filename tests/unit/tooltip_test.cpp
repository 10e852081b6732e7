// Hover tips: the tool records, tools with and without their own mouse, the
// text asked for on request, the delays and the shared tip window.
#include "qt_printers.h"
#include "skin/Tooltip.h"

#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QToolTip>
#include <gtest/gtest.h>

using namespace ralu::skin;

namespace {

struct TooltipTest : ::testing::Test {
    QWidget window;
    QPushButton *button = new QPushButton(&window);
    QLabel *picture = new QLabel(&window); // the mouse passes through it
    QLabel *caption = new QLabel(&window);

    void SetUp() override
    {
        window.resize(200, 120);
        button->setGeometry(10, 10, 60, 20);
        picture->setGeometry(100, 40, 30, 25);
        picture->setAttribute(Qt::WA_TransparentForMouseEvents);
        caption->setGeometry(20, 80, 50, 15);
        caption->setAttribute(Qt::WA_TransparentForMouseEvents);
    }
};

} // namespace

TEST_F(TooltipTest, RecordsKeepTheOptionsWithTitlesOfEightyCharacters)
{
    Tooltip tips;
    const QString longTitle = QString(79, QLatin1Char('a')) + QStringLiteral("bc");
    struct Case {
        QWidget *tool;
        QString title;
        QString stored;
    };
    const Case cases[] = {
        { button, QString(), QString(80, QLatin1Char(' ')) },
        { picture, QStringLiteral("Hi"), QStringLiteral("Hi") + QString(78, QLatin1Char(' ')) },
        { caption, longTitle, longTitle.left(80) },
    };
    for (const Case &c : cases) {
        ToolOptions options;
        options.title = c.title;
        options.margin = 5;
        options.showMode = 1;
        options.foreColour = QColor(Qt::red);
        EXPECT_TRUE(tips.addTool(c.tool, QStringLiteral("tip"), options));
    }
    ASSERT_EQ(tips.tools().size(), 3);
    const QPalette system = QToolTip::palette();
    for (int i = 0; i < 3; ++i) {
        const ToolRecord &record = tips.tools().at(i);
        EXPECT_EQ(record.tool, cases[i].tool);
        EXPECT_EQ(record.title, cases[i].stored);
        EXPECT_EQ(record.margin, 5);
        EXPECT_EQ(record.showMode, 1);
        EXPECT_EQ(record.textColour, QColor(Qt::red));
        EXPECT_EQ(record.backColour, system.color(QPalette::ToolTipBase)); // the default
    }
    // A control with its own mouse is known by itself; one without by the
    // count of tools before it, with its area in its parent's pixels.
    EXPECT_EQ(tips.tools().at(0).id, reinterpret_cast<quintptr>(button));
    EXPECT_EQ(tips.tools().at(1).id, 1u);
    EXPECT_EQ(tips.tools().at(2).id, 2u);
    EXPECT_EQ(tips.registeredArea(picture), QRect(100, 40, 30, 25));
    EXPECT_EQ(tips.registeredArea(caption), QRect(20, 80, 50, 15));
}

TEST_F(TooltipTest, UpdateAndRemoveKeepTheRecord)
{
    Tooltip tips;
    ASSERT_TRUE(tips.addTool(button, QStringLiteral("Hold")));
    ASSERT_TRUE(tips.addTool(picture, std::nullopt));
    EXPECT_EQ(tips.registeredText(button), QStringLiteral("Hold"));
    EXPECT_EQ(tips.registeredText(picture), QString()); // asked for on request

    ToolChanges changes;
    changes.text = QStringLiteral("Forward ");
    changes.title = QStringLiteral("T");
    tips.updateTool(button, changes);
    EXPECT_EQ(tips.registeredText(button), QStringLiteral("Forward "));
    EXPECT_EQ(tips.tools().at(0).title, QStringLiteral("T") + QString(79, QLatin1Char(' ')));
    picture->move(5, 6);
    tips.updateTool(picture, ToolChanges {});
    EXPECT_EQ(tips.registeredArea(picture), QRect(5, 6, 30, 25));
    changes = ToolChanges {};
    changes.text = QString();
    tips.updateTool(button, changes);
    EXPECT_EQ(tips.registeredText(button), QString());

    tips.removeTool(button);
    EXPECT_FALSE(tips.registeredText(button).has_value());
    EXPECT_EQ(tips.tools().size(), 2);
    EXPECT_EQ(tips.registeredText(picture), QString());
}

TEST_F(TooltipTest, ToolWithoutTextAsksForItWhenTheTipShows)
{
    Tooltip tips;
    tips.setDelayTimes(1, 5000);
    QWidget *asked = nullptr;
    QObject::connect(&tips, &Tooltip::needText, [&](QWidget *tool, QString *text) {
        asked = tool;
        *text = QStringLiteral("Include International Country Code");
    });
    ToolOptions options;
    options.centred = true;
    ASSERT_TRUE(tips.addTool(button, std::nullopt, options));
    window.move(300, 200); // room on the screen for the tip on both sides
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    QEvent enter(QEvent::Enter);
    QApplication::sendEvent(button, &enter);
    auto *tip = qobject_cast<QLabel *>(Tooltip::tipWindow());
    ASSERT_NE(tip, nullptr);
    EXPECT_TRUE(QTest::qWaitFor([tip] { return tip->isVisible(); }, 1000));
    EXPECT_EQ(asked, button);
    EXPECT_EQ(tip->text(), QStringLiteral("Include International Country Code"));
    // Centred below its control.
    const QRect control(button->mapToGlobal(QPoint(0, 0)), button->size());
    EXPECT_EQ(tip->geometry().top(), control.bottom() + 1);
    EXPECT_LE(std::abs(tip->geometry().center().x() - control.center().x()), 1);
    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(button, &leave);
    EXPECT_FALSE(tip->isVisible());
}

TEST(TooltipDelays, OnlyTheGivenDelaysChangeAndNoneRestoresTheAutomaticOnes)
{
    Tooltip tips;
    const DelayTimes automatic = DelayTimes::automatic();
    struct Case {
        std::optional<int> show, autoHide, reshow;
        DelayTimes expected;
    };
    const Case cases[] = {
        { 100, {}, {}, { 100, automatic.autoPop, automatic.reshow } },
        { {}, 7000, {}, { 100, 7000, automatic.reshow } },
        { {}, {}, 30, { 100, 7000, 30 } },
        { {}, {}, {}, automatic },
        { 1, 2, 3, { 1, 2, 3 } },
    };
    for (const Case &c : cases) {
        tips.setDelayTimes(c.show, c.autoHide, c.reshow);
        EXPECT_EQ(Tooltip::delayTimes(), c.expected);
    }
    tips.setDelayTimes();
}

TEST(TooltipWindow, SharedByAllInstancesUntilTheLastGoes)
{
    ASSERT_EQ(Tooltip::tipWindow(), nullptr);
    auto *first = new Tooltip;
    QWidget *shared = Tooltip::tipWindow();
    ASSERT_NE(shared, nullptr);
    auto *second = new Tooltip;
    EXPECT_EQ(Tooltip::tipWindow(), shared);
    delete first;
    EXPECT_EQ(Tooltip::tipWindow(), shared);
    delete second;
    EXPECT_EQ(Tooltip::tipWindow(), nullptr);
}

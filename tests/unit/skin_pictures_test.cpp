// The skin's pictures as the windows get them: every image holder of the
// main window's press and hover tables gives a picture of its element's
// size, the backgrounds' outlines hold every visible control, the 2x files
// match the 1x ones, and the child windows' buttons have all three looks.
#include "FakeMessageBoxes.h"
#include "account/LoginController.h"
#include "account/SettingsStore.h"
#include "engine/AppState.h"
#include "qt_printers.h"
#include "skin/PictureButton.h"
#include "skin/PictureRegion.h"
#include "skin/SkinOutline.h"
#include "skin/SkinPictures.h"
#include "windows/LoginWindow.h"
#include "windows/MainControls.h"
#include "windows/PhoneBookWindow.h"
#include "windows/RecentWindow.h"

#include <QDir>
#include <QLabel>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace ralu;
using namespace ralu::testing;

namespace {

struct Holders {
    const char *element;
    const char *lit; // shown on press, or while hovered
    const char *normal; // shown on release, or after the pointer leaves
};

// The main window's press table, then its hover table.
const Holders kPressHolders[] = {
    { "Picture18", "offImage7", "onImage21" },
    { "Picture19", "offImage14", "onImage22" },
    { "Picture23", "offImage15", "onImage23" },
    { "Picture24", "offImage16", "onImage24" },
    { "Picture28", "offImage17", "onImage3" },
    { "Picture29", "offImage18", "onImage26" },
    { "Picture33", "offImage19", "onImage27" },
    { "Picture34", "offImage20", "onImage28" },
    { "Picture39", "offImage29", "onImage34" },
    { "Picture42", "offImage30", "onImage35" },
    { "Picture43", "offImage31", "onImage36" },
    { "Picture44", "offImage33", "onImage38" },
    { "Picture45", "offImage32", "onImage37" },
    { "Picture47", "offImage4", "oonImage3" },
    { "Picture6", "onPC", "offPC" },
    { "Picture8", "onCB", "offCB" },
    { "Picture17", "offBack", "onBack" },
    { "Picture20", "b1", "a1" },
    { "Picture21", "on2", "off2" },
    { "Picture22", "on3", "off3" },
    { "Picture25", "on4", "off4" },
    { "Picture26", "on5", "off5" },
    { "Picture27", "on6", "off6" },
    { "Picture46", "on7", "off7" },
    { "Picture31", "on8", "off8" },
    { "Picture32", "on9", "off9" },
    { "Picture35", "ony", "offy" },
    { "Picture36", "on0", "off0" },
    { "Picture37", "onHash", "offHash" },
};
const Holders kHoverHolders[] = {
    { "Picture2", "onAdo", "offAdo" },
    { "Picture7", "onDel", "offDel" },
    { "Picture11", "onPB", "offPB" },
};

const ControlSpec &control(const char *name)
{
    for (const ControlSpec &spec : kMainControls)
        if (qstrcmp(spec.name, name) == 0)
            return spec;
    throw std::logic_error(name);
}

QSize shownSize(const QPixmap &pixmap)
{
    return pixmap.deviceIndependentSize().toSize();
}

} // namespace

TEST(SkinPictures, EveryHolderGivesAPictureOfItsElementsSize)
{
    auto check = [](const Holders &h, bool pressTable) {
        const ControlSpec &spec = control(h.element);
        const QPixmap lit = skin::holderPicture(QLatin1String(h.lit));
        const QPixmap normal = skin::holderPicture(QLatin1String(h.normal));
        ASSERT_FALSE(lit.isNull()) << h.lit;
        ASSERT_FALSE(normal.isNull()) << h.normal;
        EXPECT_EQ(shownSize(lit), QSize(spec.width, spec.height)) << h.lit;
        EXPECT_EQ(shownSize(normal), QSize(spec.width, spec.height)) << h.normal;
        EXPECT_NE(lit.toImage(), normal.toImage()) << h.element;
        const QPixmap hovered = skin::hoveredPicture(QLatin1String(h.normal));
        ASSERT_FALSE(hovered.isNull()) << h.normal;
        EXPECT_NE(hovered.toImage(), normal.toImage()) << h.normal;
        if (pressTable)
            EXPECT_NE(hovered.toImage(), lit.toImage()) << h.normal << " hovered looks pressed";
        else
            EXPECT_EQ(hovered.toImage(), lit.toImage()) << h.normal;
        // The face the main window's table gives the element is the released one.
        EXPECT_EQ(
            skin::buttonPicture(QLatin1String(spec.face), skin::Look::Normal).toImage(), normal.toImage())
            << h.element;
    };
    for (const Holders &h : kPressHolders)
        check(h, true);
    for (const Holders &h : kHoverHolders)
        check(h, false);
    EXPECT_TRUE(skin::holderPicture(QStringLiteral("onImage99")).isNull());
    EXPECT_TRUE(skin::hoveredPicture(QStringLiteral("onPC")).isNull()); // a pressed picture has no hover
}

TEST(SkinPictures, MainWindowFacesFitTheirControlsInsideTheOutline)
{
    skin::PictureRegion region;
    quint32 colour = skin::PictureRegion::kDetectColour;
    ASSERT_TRUE(region.scanPicture(skin::outlinePicture(skin::Background::Main), colour));
    const QRect window(0, 0, kMainWidth, kMainHeight);
    for (const ControlSpec &spec : kMainControls) {
        const QRect rect(spec.left, spec.top, spec.width, spec.height);
        const QString face = QLatin1String(spec.face);
        if (!face.isEmpty() && spec.kind == ControlKind::Button) {
            for (skin::Look look : { skin::Look::Normal, skin::Look::Pressed, skin::Look::Hovered })
                EXPECT_EQ(shownSize(skin::buttonPicture(face, look)), rect.size()) << spec.name;
        }
        if (!face.isEmpty() && spec.kind == ControlKind::Picture) {
            EXPECT_EQ(shownSize(skin::picture(face)), rect.size()) << spec.name;
        }
        if (window.contains(rect) && spec.kind != ControlKind::Background) {
            EXPECT_EQ(region.region().intersected(rect), QRegion(rect))
                << spec.name << " is cut by the outline";
        }
    }
}

TEST(SkinPictures, BackgroundsAreCutAtTheirBottomLeftColourAlikeAtBothScalesAndSeeThroughThere)
{
    const std::tuple<skin::Background, QSize, const char *> backgrounds[] = {
        { skin::Background::Main, { 231, 346 }, ":/skin/bg_main@2x.png" },
        { skin::Background::Login, { 231, 146 }, ":/skin/bg_login@2x.png" },
        { skin::Background::Recent, { 230, 298 }, ":/skin/bg_recent@2x.png" },
        { skin::Background::PhoneBook, { 230, 298 }, ":/skin/bg_phonebook@2x.png" },
    };
    const auto cut = [](QRgb pixel) {
        return skin::PictureRegion::colourKey(pixel)
            == skin::PictureRegion::colourKey(skin::kTransparentColour.rgb());
    };
    for (const auto &[background, size, name] : backgrounds) {
        const QImage one = skin::outlinePicture(background);
        ASSERT_EQ(one.size(), size);
        EXPECT_TRUE(cut(one.pixel(0, size.height() - 1)));
        EXPECT_EQ(shownSize(skin::backgroundPicture(background)), size);
        // The outline is cut from the 1x pixels: the 2x picture must show the
        // transparent colour on exactly the same pixels, or a pink fringe shows.
        // What is cut has no opacity (Wayland shows it), the rest is opaque.
        const QImage two(QString::fromLatin1(name));
        ASSERT_EQ(two.size(), size * 2) << name;
        int wrong = 0, opacity = 0;
        for (int y = 0; y < two.height(); ++y)
            for (int x = 0; x < two.width(); ++x) {
                const bool outside = cut(one.pixel(x / 2, y / 2));
                wrong += cut(two.pixel(x, y)) != outside;
                opacity += qAlpha(two.pixel(x, y)) != (outside ? 0 : 255);
                opacity += qAlpha(one.pixel(x / 2, y / 2)) != (outside ? 0 : 255);
            }
        EXPECT_EQ(wrong, 0) << name;
        EXPECT_EQ(opacity, 0) << name;
    }
}

TEST(SkinPictures, EveryPictureHasItsTwiceAsLargeTwin)
{
    const QDir folder(QStringLiteral(":/skin"));
    const QStringList names = folder.entryList({ QStringLiteral("*.png") });
    ASSERT_GT(names.size(), 100);
    for (const QString &name : names) {
        if (name.endsWith(QLatin1String("@2x.png")))
            continue;
        const QImage one(folder.filePath(name));
        const QImage two(folder.filePath(name.chopped(4) + QStringLiteral("@2x.png")));
        EXPECT_EQ(two.size(), one.size() * 2) << name.toStdString();
    }
}

TEST(SkinPictures, ChildWindowButtonsHaveAllThreeLooksOfTheirSize)
{
    QTemporaryDir dir;
    AppState state;
    FakeMessageBoxes boxes;
    IniSettingsStore store { dir.filePath(QStringLiteral("settings.ini")) };
    SavedLogin saved { store, QStringLiteral("ralu") };
    LoginController controller { state, saved, boxes, { "a ", "b ", "c ", "127.0.0.1" }, {} };
    LoginWindow login(controller);
    RecentWindow recent(
        dir.filePath(QStringLiteral("recentcall.txt")), state, boxes, [](const QString &) { return true; });
    PhoneBookWindow book(dir.path(), state, boxes, [](const QString &) { return true; });
    for (QWidget *window : std::initializer_list<QWidget *> { &login, &recent, &book }) {
        const auto buttons = window->findChildren<PictureButton *>();
        ASSERT_GE(buttons.size(), 2) << window->objectName().toStdString();
        for (const PictureButton *b : buttons) {
            const std::string where
                = (window->objectName() + QLatin1Char('/') + b->objectName()).toStdString();
            for (const QPixmap &p : { b->releasedPicture(), b->pressedPicture(), b->hoveredPicture() }) {
                ASSERT_FALSE(p.isNull()) << where;
                EXPECT_EQ(shownSize(p), b->size()) << where;
            }
            EXPECT_NE(b->pressedPicture().toImage(), b->releasedPicture().toImage()) << where;
            EXPECT_NE(b->hoveredPicture().toImage(), b->releasedPicture().toImage()) << where;
        }
    }
}

TEST(SkinPictures, WhereTheOutlineOnlyLimitsInputTheCornersAreDrawnSeeThrough)
{
    for (const skin::MaskEffect effect : { skin::MaskEffect::CutsWindow, skin::MaskEffect::InputOnly }) {
        const bool inputOnly = effect == skin::MaskEffect::InputOnly;
        SCOPED_TRACE(inputOnly);
        QWidget window(nullptr, Qt::FramelessWindowHint);
        skin::applySkin(&window, skin::Background::Recent, effect);
        QLabel below(QStringLiteral("below the outline"), &window);
        below.setAutoFillBackground(true);
        below.setGeometry(30, 276, 160, 17);
        window.show();
        const QPoint corner(0, 0), middle(window.width() / 2, window.height() / 2);
        // The outline still takes the input, whatever draws the corners.
        EXPECT_TRUE(window.mask().contains(middle) && !window.mask().contains(corner));
        const QImage drawn = window.grab().toImage();
        for (const QPoint outside : { corner, below.geometry().center() })
            EXPECT_EQ(qAlpha(drawn.pixel(outside)), inputOnly ? 0 : 255);
        EXPECT_EQ(qAlpha(drawn.pixel(middle)), 255);
    }
}

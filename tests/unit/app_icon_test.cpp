// The application icon: every size the icon theme gets is embedded, drawn at
// its own size, and it is the icon the main window (and so its tray) shows.
#include "RegisteredPhone.h"
#include "skin/AppIcon.h"

#include <QImage>
#include <gtest/gtest.h>

using namespace ralu;

TEST(AppIcon, EverySizeIsEmbeddedAndDrawnAtItsOwnSize)
{
    const QIcon icon = skin::appIcon();
    for (int size : { 16, 22, 24, 32, 48, 64, 128, 256 }) {
        SCOPED_TRACE(size);
        EXPECT_TRUE(icon.availableSizes().contains(QSize(size, size)));
        const QImage picture = icon.pixmap(QSize(size, size)).toImage();
        ASSERT_EQ(picture.size(), QSize(size, size));
        // A handset on a tile: transparent corners, an opaque white-ish centre
        // part and an opaque green tile edge.
        EXPECT_EQ(qAlpha(picture.pixel(0, 0)), 0);
        const QRgb edge = picture.pixel(size / 2, size - 1 - size / 16);
        EXPECT_EQ(qAlpha(edge), 255);
        EXPECT_GT(qGreen(edge), qRed(edge) + 40);
    }
}

TEST(AppIcon, TheMainWindowShowsIt)
{
    ralu::testing::RegisteredPhone phone;
    const QImage shown = phone.window.windowIcon().pixmap(QSize(48, 48)).toImage();
    EXPECT_EQ(shown, skin::appIcon().pixmap(QSize(48, 48)).toImage());
}

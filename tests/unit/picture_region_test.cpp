// Window outlines cut from pictures: the transparent colour, the runs of a
// row, the frame offset and what reaches the window's mask.
#include "qt_printers.h"
#include "skin/PictureRegion.h"

#include <QWidget>
#include <functional>
#include <gtest/gtest.h>

using ralu::skin::PictureRegion;

namespace {

const QRgb kKey = qRgb(255, 0, 255);
const QRgb kInk = qRgb(10, 20, 30);

QImage picture(int width, int height, QRgb fill, const std::function<void(QImage &)> &paint = {})
{
    QImage image(width, height, QImage::Format_RGB888); // a 24-bit picture, like the skins
    image.fill(fill);
    if (paint)
        paint(image);
    return image;
}

QRegion rows(std::initializer_list<QRect> rects)
{
    QRegion region;
    for (const QRect &r : rects)
        region += r;
    return region;
}

} // namespace

TEST(PictureRegion, RegionIsTheUnionOfTheOpaqueRuns)
{
    struct Case {
        const char *name;
        QImage image;
        QRegion expected;
    };
    const Case cases[] = {
        { "all one colour", picture(5, 4, kInk), QRegion() },
        { "only the bottom-left pixel transparent",
            picture(4, 3, kInk, [](QImage &i) { i.setPixel(0, 2, kKey); }),
            rows({ QRect(0, 0, 4, 1), QRect(0, 1, 4, 1), QRect(1, 2, 3, 1) }) },
        { "one opaque pixel in the last column",
            picture(6, 3, kKey, [](QImage &i) { i.setPixel(5, 1, kInk); }), QRegion(5, 1, 1, 1) },
        { "two runs in a row, split by the transparent colour",
            picture(7, 2, kKey,
                [](QImage &i) {
                    for (int x : { 1, 2, 5, 6 })
                        i.setPixel(x, 0, kInk);
                }),
            rows({ QRect(1, 0, 2, 1), QRect(5, 0, 2, 1) }) },
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        PictureRegion region;
        quint32 colour = PictureRegion::kDetectColour;
        ASSERT_TRUE(region.scanPicture(c.image, colour));
        EXPECT_EQ(region.region(), c.expected);
        EXPECT_EQ(colour, PictureRegion::colourKey(c.image.pixel(0, c.image.height() - 1)));
    }
}

TEST(PictureRegion, OnlyTheValueOneAsksForTheBottomLeftColour)
{
    // White picture with a red bottom-left pixel and one blue pixel.
    const QImage image = picture(3, 2, qRgb(255, 255, 255), [](QImage &i) {
        i.setPixel(0, 1, qRgb(255, 0, 0));
        i.setPixel(2, 0, qRgb(0, 0, 255));
    });
    struct Case {
        quint32 given, returned;
        QRegion expected;
    };
    const Case cases[] = {
        { PictureRegion::kDetectColour, 0xFF0000, rows({ QRect(0, 0, 3, 1), QRect(1, 1, 2, 1) }) },
        { 0xFFFFFF, 0xFFFFFF, rows({ QRect(2, 0, 1, 1), QRect(0, 1, 1, 1) }) }, // white is the key
        { 0x0000FF, 0x0000FF, rows({ QRect(0, 0, 2, 1), QRect(0, 1, 3, 1) }) }, // blue, in key order
        { 0xFF00FF, 0xFF00FF, QRegion(0, 0, 3, 2) }, // nothing is transparent
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.given);
        PictureRegion region;
        quint32 colour = c.given;
        ASSERT_TRUE(region.scanPicture(image, colour));
        EXPECT_EQ(colour, c.returned);
        EXPECT_EQ(region.region(), c.expected);
    }
}

TEST(PictureRegion, PictureWithoutPixelsGivesNoOutline)
{
    PictureRegion region;
    quint32 colour = PictureRegion::kDetectColour;
    EXPECT_FALSE(region.scanPicture(QImage(), colour));
    EXPECT_EQ(colour, PictureRegion::kDetectColour);
}

TEST(PictureRegion, FrameOffsetIsTheFrameWidthAndTheCaptionBelowIt)
{
    struct Case {
        QSize outer, inner;
        QPoint expected;
    };
    const Case cases[] = {
        { QSize(239, 280), QSize(231, 250), QPoint(4, 26) },
        { QSize(240, 280), QSize(231, 250), QPoint(4, 26) }, // 4.5: halves to even
        { QSize(242, 280), QSize(231, 250), QPoint(6, 24) }, // 5.5
        { QSize(231, 346), QSize(231, 346), QPoint(0, 0) },
    };
    for (const Case &c : cases)
        EXPECT_EQ(PictureRegion::frameOffset(c.outer, c.inner), c.expected) << c.outer.width();
}

TEST(PictureRegion, BorderlessWindowGetsTheRegionUnmovedAndAnEmptyOneHidesIt)
{
    QWidget window(nullptr, Qt::Window | Qt::FramelessWindowHint);
    window.resize(6, 3);
    PictureRegion region;
    quint32 colour = PictureRegion::kDetectColour;
    ASSERT_TRUE(region.scanPicture(picture(6, 3, kKey, [](QImage &i) { i.setPixel(5, 1, kInk); }), colour));
    region.offsetHeader(window);
    EXPECT_EQ(region.region(), QRegion(5, 1, 1, 1));
    region.applyTo(window);
    EXPECT_EQ(window.mask(), QRegion(5, 1, 1, 1));

    colour = PictureRegion::kDetectColour;
    ASSERT_TRUE(region.scanPicture(picture(6, 3, kInk), colour));
    region.applyTo(window);
    EXPECT_FALSE(window.mask().isEmpty());
    EXPECT_TRUE((window.mask() & window.rect()).isEmpty()); // nothing of the window is left
}

// The pictures of Ralu's skin, drawn at start-up rather than shipped as files:
// the window backgrounds with their transparent surroundings, the dial keys
// and the call buttons, each as a released and a pressed picture.
#pragma once

#include <QPixmap>
#include <QString>

namespace ralu::skin {

// Colour around the outline of the background pictures; it is taken from the
// bottom-left pixel when the window outline is cut.
inline const QColor kTransparentColour(255, 0, 255);

QPixmap mainBackground(); // 231 x 346
QPixmap loginBackground(); // 231 x 146
// 230 x 298; the outline ends at row 272, above the billed history link.
QPixmap recentBackground();
QPixmap phoneBookBackground(); // 230 x 298
QPixmap audioSetupBackground(); // 231 x 206

enum class Glyph { Text, Dial, HangUp, Clear, Close, PhoneBook, History, Small };

// A level slider's track: a groove down the middle of the given size.
QPixmap sliderTrack(QSize size);

// A button picture of the given size with a caption or glyph.
QPixmap buttonPicture(QSize size, Glyph glyph, const QString &caption, bool pressed);

// The picture of one of the main window's image holders, by the holder's name
// ("onPC", "offPC", "b1", "a1", "on2", "offImage7", "onAdo"...); null for a
// name that holds no picture.
QPixmap holderPicture(const QString &holder);
// The look of a button while the pointer is over it, given the holder of its
// released picture.
QPixmap hoveredPicture(const QString &releasedHolder);

} // namespace ralu::skin

namespace ralu {
class PictureButton;
}

namespace ralu::skin {

// A picture button named and placed on parent, with its released and pressed
// pictures drawn for its size.
PictureButton *makeButton(
    QWidget *parent, const char *name, QRect geometry, Glyph glyph, const QString &caption);

} // namespace ralu::skin

// The pictures of Ralu's skin: PNG files under :/skin/, drawn by
// tools/skin_pictures at 1x and at 2x ("name@2x.png"); the 2x picture is
// used on screens of more than one device pixel per pixel.
#pragma once

#include <QImage>
#include <QPixmap>
#include <QString>

namespace ralu::skin {

// Colour around the outline of the background pictures; it is taken from the
// bottom-left pixel when the window outline is cut.
inline const QColor kTransparentColour(255, 0, 255);

// A picture by its file name without ".png", at the screen's scale (its
// device pixel ratio set); null when there is no such picture.
QPixmap picture(const QString &name);

enum class Background { Main, Login, Recent, PhoneBook, AudioSetup };
// The background as shown, at the screen's scale.
QPixmap backgroundPicture(Background background);
// The 1x background, whose pixels the window's outline is cut from.
QImage outlinePicture(Background background);

QPixmap mainBackground(); // 231 x 346
QPixmap loginBackground(); // 231 x 146
// 230 x 298; the outline ends at row 272, above the billed history link.
QPixmap recentBackground();
QPixmap phoneBookBackground(); // 230 x 298

// A button face ("key_1", "call", "close", ...) in one of its three looks.
enum class Look { Normal, Pressed, Hovered };
QPixmap buttonPicture(const QString &face, Look look);

// The picture of one of the main window's image holders ("onPC", "offPC",
// "a1", "b1", "onImage21", "offAdo", ...); null for an unknown name.
QPixmap holderPicture(const QString &holder);
// The hovered look of the button whose released picture is that holder;
// null when there is none.
QPixmap hoveredPicture(const QString &releasedHolder);

} // namespace ralu::skin

namespace ralu {
class PictureButton;
}

namespace ralu::skin {

// A picture button named and placed on parent, showing the face's normal,
// pressed and hovered pictures, its accessible name the face's caption.
PictureButton *makeButton(QWidget *parent, const char *name, QRect geometry, const QString &face);

} // namespace ralu::skin

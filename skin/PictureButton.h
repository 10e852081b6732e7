// A button drawn as a picture, the way every control of the skinned windows
// is: a still picture, or a released picture and a pressed one shown while a
// mouse button is down on it (PressPicture) or Space is held on it, and
// optionally a hovered one while the pointer is over it (HoverHighlight).
// Clicks, keys and assistive technology are SkinButton's.
#pragma once

#include "skin/PressPicture.h"
#include "skin/SkinButton.h"

namespace ralu::skin {
class HoverHighlight;
}

#include <QPixmap>

namespace ralu {

class PictureButton : public SkinButton {
    Q_OBJECT
public:
    explicit PictureButton(QWidget *parent = nullptr);
    // A picture that stays as it is when the button is pressed.
    void setPicture(const QPixmap &picture);
    // Pictures swapped while a mouse button is down on the button.
    void setPictures(const QPixmap &released, const QPixmap &pressed,
        skin::PressPicture::Check check = skin::PressPicture::Check::None);
    // Shows the pressed or the released picture (the keyboard presses keys
    // too); nothing for a still picture.
    void showPressed(bool pressed) override;
    // Shows the pressed picture at rest too, until unlatched (Hold, Do not
    // disturb); nothing for a still picture.
    void setLatched(bool latched);
    QPixmap releasedPicture() const;
    QPixmap pressedPicture() const;
    // Shown while the pointer is over the enabled, resting button; set after
    // the released picture it stands in for.
    void setHoveredPicture(const QPixmap &hovered);
    QPixmap hoveredPicture() const;
    skin::PressPicture *pressPicture() const { return m_press; }

protected:
    void changeEvent(QEvent *event) override;

private:
    QPixmap m_still;
    skin::PressPicture *m_press = nullptr;
    skin::HoverHighlight *m_hover = nullptr;
};

} // namespace ralu

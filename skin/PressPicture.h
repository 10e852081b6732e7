// A picture box that shows one picture while a mouse button (any) is down on
// it and another once it is released, or once a menu opens over the press. It watches its box's events, so
// any QLabel can take it; the box's own handlers still run.
#pragma once

#include <QObject>
#include <QPixmap>

class QLabel;

namespace ralu::skin {

class PressPicture : public QObject {
    Q_OBJECT
public:
    enum class Check {
        None, // every press shows the pressed picture
        PressInside, // only a press whose point lies inside the box (edges included)
    };

    // Owned by the box; shows the released picture at once.
    PressPicture(QLabel *box, const QPixmap &pressed, const QPixmap &released, Check check = Check::None);

    void setPictures(const QPixmap &pressed, const QPixmap &released);
    void setCheck(Check check) { m_check = check; }
    Check check() const { return m_check; }
    QPixmap pressedPicture() const { return m_pressed; }
    QPixmap releasedPicture() const { return m_released; }
    // Shows either picture without a mouse (the keyboard presses keys too).
    void show(bool pressed);
    // A latched box shows the pressed picture at rest too (a button that
    // stays down while what it turned on lasts).
    void setLatched(bool latched);
    bool latched() const { return m_latched; }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QLabel *m_box;
    QPixmap m_pressed;
    QPixmap m_released;
    Check m_check;
    bool m_latched = false;
};

} // namespace ralu::skin

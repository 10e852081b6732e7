// A button drawn as a picture, the way every control of the skinned windows
// is: a released picture, a pressed one shown while the mouse is down, and
// optionally a hovered one shown while the pointer is over it.
#pragma once

#include <QLabel>
#include <QPixmap>

namespace ralu {

class PictureButton : public QLabel {
    Q_OBJECT
public:
    explicit PictureButton(QWidget *parent = nullptr);
    void setPictures(const QPixmap &released, const QPixmap &pressed);
    // Shown while the pointer is over the enabled, unpressed button; a null
    // picture (the default) leaves the released one.
    void setHoveredPicture(const QPixmap &hovered);
    // Shows the pressed or the released picture (also used by the keyboard).
    void showPressed(bool pressed);
    QPixmap releasedPicture() const { return m_released; }
    QPixmap pressedPicture() const { return m_pressed; }
    QPixmap hoveredPicture() const { return m_hovered; }

signals:
    void clicked();

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void enterEvent(QEnterEvent *event) override;
    void leaveEvent(QEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    QPixmap restingPicture() const;

    QPixmap m_released;
    QPixmap m_pressed;
    QPixmap m_hovered;
    bool m_pointerInside = false;
    bool m_down = false; // showing the pressed picture
};

} // namespace ralu

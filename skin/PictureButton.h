// A button drawn as a picture, the way every control of the skinned windows
// is: a released picture, and a pressed one shown while the mouse is down.
#pragma once

#include <QLabel>
#include <QPixmap>

namespace ralu {

class PictureButton : public QLabel {
    Q_OBJECT
public:
    explicit PictureButton(QWidget *parent = nullptr);
    void setPictures(const QPixmap &released, const QPixmap &pressed);
    // Shows the pressed or the released picture (also used by the keyboard).
    void showPressed(bool pressed);
    QPixmap releasedPicture() const { return m_released; }
    QPixmap pressedPicture() const { return m_pressed; }

signals:
    void clicked();

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    QPixmap m_released;
    QPixmap m_pressed;
};

} // namespace ralu

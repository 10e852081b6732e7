// A lighter picture on a button while the pointer is over it, from entering
// to leaving, without taking the mouse. It only ever replaces the button's
// resting picture, so a pressed picture (or any other the button shows at the
// time) is left alone, and it never comes back on its own after a press.
#pragma once

#include <QObject>
#include <QPixmap>

class QLabel;

namespace ralu::skin {

class HoverHighlight : public QObject {
    Q_OBJECT
public:
    // Owned by the box. A null hovered picture is drawn from the resting one.
    HoverHighlight(QLabel *box, const QPixmap &resting, const QPixmap &hovered = QPixmap());

    // The resting picture with a light veil over its opaque pixels.
    static QPixmap lightened(const QPixmap &resting);
    QPixmap hoveredPicture() const { return m_hovered; }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    bool shows(const QPixmap &picture) const;

    QLabel *m_box;
    QPixmap m_resting;
    QPixmap m_hovered;
};

} // namespace ralu::skin

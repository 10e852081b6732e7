// Picture boxes lit while the pointer is over them. The first move over a
// box lights it and takes the mouse, so the box keeps hearing moves after the
// pointer has left it; a move outside then unlights it and lets the mouse go.
// The boxes of one window share one flag, so only one of them is lit at a time.
#pragma once

#include <QObject>
#include <QPixmap>
#include <QPointer>

#include <memory>
#include <optional>

class QLabel;
class QWidget;

namespace ralu::skin {

// The flag the hover boxes of one window share (true while one of them holds
// the mouse), and the box that took the mouse.
class HoverGroup {
public:
    bool lit() const { return m_lit; }

private:
    friend class HoverPicture;
    bool m_lit = false;
    QPointer<QWidget> m_captor;
};

class HoverPicture : public QObject {
    Q_OBJECT
public:
    struct Pictures {
        QPixmap hovered, normal;
    };
    // Owned by the box. Without pictures the box lights and unlights (takes
    // and lets go of the mouse) but keeps the picture it has.
    HoverPicture(QLabel *box, std::shared_ptr<HoverGroup> group, std::optional<Pictures> pictures);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QLabel *m_box;
    std::shared_ptr<HoverGroup> m_group; // shared with the window's other hover boxes
    std::optional<Pictures> m_pictures;
};

} // namespace ralu::skin

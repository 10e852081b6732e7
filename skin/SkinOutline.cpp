#include "skin/SkinOutline.h"

#include "skin/Accessibility.h"
#include "skin/PictureRegion.h"

#include <QEvent>
#include <QGuiApplication>
#include <QLabel>
#include <QRegion>
#include <QWidget>

namespace ralu::skin {

namespace {

// Keeps a translucent window's children inside its outline, as the window
// system does where it cuts the window: a control placed below the outline
// (the call history's billed history link) would show otherwise. Done as
// the window shows, when every child is there.
class OutlineClip : public QObject {
public:
    explicit OutlineClip(QWidget *window)
        : QObject(window)
    {
        window->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() != QEvent::Show)
            return false;
        auto *window = static_cast<QWidget *>(watched);
        const QRegion outline = window->mask();
        for (QWidget *child : window->findChildren<QWidget *>(Qt::FindDirectChildrenOnly)) {
            const QRect area = child->geometry();
            if (child->isWindow() || outline.isEmpty() || (QRegion(area) - outline).isEmpty())
                continue;
            const QRegion inside = outline.intersected(area).translated(-area.topLeft());
            // A mask wholly outside the child: nothing of it is drawn.
            child->setMask(inside.isEmpty() ? QRegion(-1, -1, 1, 1) : inside);
        }
        return false;
    }
};

} // namespace

MaskEffect platformMaskEffect()
{
    return QGuiApplication::platformName().startsWith(QLatin1String("wayland")) ? MaskEffect::InputOnly
                                                                                : MaskEffect::CutsWindow;
}

void cutOutline(QWidget *window, const QImage &picture, MaskEffect effect)
{
    if (effect == MaskEffect::InputOnly) {
        window->setAttribute(Qt::WA_TranslucentBackground);
        new OutlineClip(window);
    }
    PictureRegion region;
    quint32 transparent = PictureRegion::kDetectColour;
    if (!region.scanPicture(picture, transparent))
        return; // no pixels: no outline
    region.offsetHeader(*window);
    region.applyTo(*window);
}

QLabel *applySkin(QWidget *window, Background background, MaskEffect effect)
{
    const QPixmap shown = backgroundPicture(background);
    const QImage outline = outlinePicture(background);
    window->setFixedSize(outline.size());
    auto *label = new QLabel(window);
    label->setObjectName(QStringLiteral("Picture1"));
    label->setPixmap(shown);
    label->setGeometry(0, 0, outline.width(), outline.height());
    label->setAttribute(Qt::WA_TransparentForMouseEvents);
    hideFromAssistiveTechnology(label); // a decoration
    label->lower();
    cutOutline(window, outline, effect);
    return label;
}

} // namespace ralu::skin

#include "skin/SkinOutline.h"

#include "skin/PictureRegion.h"

#include <QLabel>
#include <QRegion>
#include <QWidget>

namespace ralu::skin {

void cutOutline(QWidget *window, const QImage &picture)
{
    PictureRegion region;
    quint32 transparent = PictureRegion::kDetectColour;
    if (!region.scanPicture(picture, transparent))
        return; // no pixels: no outline
    region.offsetHeader(*window);
    region.applyTo(*window);
}

QLabel *applySkin(QWidget *window, Background background)
{
    const QPixmap shown = backgroundPicture(background);
    const QImage outline = outlinePicture(background);
    window->setFixedSize(outline.size());
    auto *label = new QLabel(window);
    label->setObjectName(QStringLiteral("Picture1"));
    label->setPixmap(shown);
    label->setGeometry(0, 0, outline.width(), outline.height());
    label->setAttribute(Qt::WA_TransparentForMouseEvents);
    label->lower();
    cutOutline(window, outline);
    return label;
}

} // namespace ralu::skin

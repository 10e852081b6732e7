#include "skin/SkinOutline.h"

#include "skin/PictureRegion.h"

#include <QLabel>
#include <QRegion>
#include <QWidget>

namespace ralu::skin {

void cutOutline(QWidget *window, const QPixmap &picture)
{
    PictureRegion region;
    quint32 transparent = PictureRegion::kDetectColour;
    if (!region.scanPicture(picture.toImage(), transparent))
        return; // no pixels: no outline
    region.offsetHeader(*window);
    region.applyTo(*window);
}

QLabel *applySkin(QWidget *window, const QPixmap &picture)
{
    window->setFixedSize(picture.size());
    auto *background = new QLabel(window);
    background->setObjectName(QStringLiteral("Picture1"));
    background->setPixmap(picture);
    background->setGeometry(0, 0, picture.width(), picture.height());
    background->setAttribute(Qt::WA_TransparentForMouseEvents);
    background->lower();
    cutOutline(window, picture);
    return background;
}

} // namespace ralu::skin

#include "skin/SkinOutline.h"

#include <QBitmap>
#include <QLabel>
#include <QRegion>
#include <QWidget>

namespace ralu::skin {

void cutOutline(QWidget *window, const QPixmap &picture)
{
    const QColor transparent = picture.toImage().pixelColor(0, picture.height() - 1);
    window->setMask(QRegion(picture.createMaskFromColor(transparent, Qt::MaskInColor)));
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

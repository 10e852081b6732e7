#include "skin/AppIcon.h"

#include <QIconEngine>
#include <QPainter>
#include <QPixmapCache>

namespace ralu::skin {

namespace {

constexpr int kSizes[] = { 16, 22, 24, 32, 48, 64, 128, 256 };

// Each size is decoded the first time something asks for it: the window
// system asks when a window is shown, after start-up has registered, not
// while the main window is built (decoding all eight took a quarter of its
// construction, twice: once for the application, once for the window).
class AppIconEngine : public QIconEngine {
public:
    QPixmap pixmap(const QSize &size, QIcon::Mode mode, QIcon::State state) override
    {
        const int drawn = drawnSizeFor(size);
        QPixmap picture = load(drawn);
        if (picture.isNull())
            return picture;
        if (drawn > size.width() || drawn > size.height())
            picture = picture.scaled(size, Qt::KeepAspectRatio, Qt::SmoothTransformation);
        // Disabled and selected looks as Qt draws them for any icon.
        return mode == QIcon::Normal ? picture : QIcon(picture).pixmap(picture.size(), mode, state);
    }

    void paint(QPainter *painter, const QRect &rect, QIcon::Mode mode, QIcon::State state) override
    {
        painter->drawPixmap(rect, pixmap(rect.size(), mode, state));
    }

    QSize actualSize(const QSize &size, QIcon::Mode, QIcon::State) override
    {
        const int side = std::min({ drawnSizeFor(size), size.width(), size.height() });
        return QSize(side, side);
    }

    QList<QSize> availableSizes(QIcon::Mode, QIcon::State) override
    {
        QList<QSize> sizes;
        for (int side : kSizes)
            sizes << QSize(side, side);
        return sizes;
    }

    QIconEngine *clone() const override { return new AppIconEngine; }
    QString key() const override { return QStringLiteral("RaluAppIcon"); }

private:
    // The smallest drawn size that fills the request, else the largest.
    static int drawnSizeFor(const QSize &size)
    {
        for (int side : kSizes)
            if (side >= size.width() && side >= size.height())
                return side;
        return kSizes[std::size(kSizes) - 1];
    }

    static QPixmap load(int side)
    {
        const QString file = QStringLiteral(":/icons/ralu-%1.png").arg(side);
        QPixmap picture;
        if (!QPixmapCache::find(file, &picture) && picture.load(file))
            QPixmapCache::insert(file, picture);
        return picture;
    }
};

} // namespace

QIcon appIcon()
{
    return QIcon(new AppIconEngine);
}

} // namespace ralu::skin

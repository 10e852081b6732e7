// Generator of the application icon: a white telephone handset on a rounded
// green square. One geometry gives the scalable SVG and the PNGs of every
// size the desktop's icon theme asks for, so they never drift apart. The
// results are checked in (resources/icons); `cmake --build build --target
// icons` writes them anew, and --check compares the checked-in ones with a
// fresh rendering (the test icons_current).
//   ralu_make_icon DIR          writes DIR/ralu.svg and DIR/ralu-N.png
//   ralu_make_icon --check DIR  exit 1 when a PNG there differs
#include <QColor>
#include <QFile>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QPainterPathStroker>
#include <QRegularExpression>
#include <QTransform>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

constexpr int kCanvas = 256; // the geometry's own units
const int kSizes[] = { 16, 22, 24, 32, 48, 64, 128, 256 };
const QRectF kTile(8, 8, 240, 240); // a square: the SVG writes one position and size
constexpr double kTileRadius = 52;
const QColor kTop(0x3d, 0xd6, 0x7c);
const QColor kBottom(0x12, 0x8c, 0x4a);
const QColor kHandsetColor(Qt::white);
// A rendering may differ by rounding between processors' blending code.
constexpr int kTolerance = 3;

// The handset, upright: the handle bows to the left between the earpiece
// (top) and the mouthpiece (bottom), both facing right; then it is turned
// so the earpiece points up and right, as handsets are usually drawn.
QPainterPath handset()
{
    QPainterPath handle;
    handle.moveTo(4, -58);
    handle.cubicTo(-40, -30, -40, 30, 4, 58);
    QPainterPathStroker stroker;
    stroker.setWidth(44);
    stroker.setCapStyle(Qt::RoundCap);
    QPainterPath shape = stroker.createStroke(handle);
    // The cups lean towards each other, as the ends of a real handset do.
    QPainterPath cup;
    cup.addRoundedRect(QRectF(-34, -25, 68, 50), 20, 20);
    shape = shape.united(QTransform().translate(18, -72).rotate(24).map(cup));
    shape = shape.united(QTransform().translate(18, 72).rotate(-24).map(cup));
    shape = shape.simplified();
    QTransform place;
    place.translate(128, 128);
    place.rotate(-45);
    place.scale(0.9, 0.9);
    place.translate(6, 0);
    return place.map(shape);
}

QLinearGradient tileGradient()
{
    QLinearGradient gradient(kTile.topLeft(), kTile.bottomLeft());
    gradient.setColorAt(0, kTop);
    gradient.setColorAt(1, kBottom);
    return gradient;
}

QImage render(int size)
{
    QImage image(size, size, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.scale(double(size) / kCanvas, double(size) / kCanvas);
    painter.setPen(Qt::NoPen);
    painter.setBrush(tileGradient());
    painter.drawRoundedRect(kTile, kTileRadius, kTileRadius);
    painter.setBrush(kHandsetColor);
    painter.drawPath(handset());
    painter.end();
    return image;
}

QString number(double v)
{
    return QString::number(v, 'f', 2).remove(QRegularExpression(QStringLiteral("\\.?0+$")));
}

// SVG path data of a path made of lines and cubic curves.
QString pathData(const QPainterPath &path)
{
    QString d;
    for (int i = 0; i < path.elementCount(); ++i) {
        const QPainterPath::Element e = path.elementAt(i);
        const QString point = number(e.x) + QLatin1Char(' ') + number(e.y);
        if (e.isMoveTo()) {
            d += QStringLiteral("M") + point;
        } else if (e.isLineTo()) {
            d += QStringLiteral("L") + point;
        } else if (e.isCurveTo()) {
            const QPainterPath::Element c2 = path.elementAt(i + 1);
            const QPainterPath::Element to = path.elementAt(i + 2);
            d += QStringLiteral("C") + point + QLatin1Char(' ') + number(c2.x) + QLatin1Char(' ')
                + number(c2.y) + QLatin1Char(' ') + number(to.x) + QLatin1Char(' ') + number(to.y);
            i += 2;
        }
    }
    return d + QLatin1Char('Z');
}

QByteArray svg()
{
    const QString text = QStringLiteral(
        "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"%1\" height=\"%1\" viewBox=\"0 0 %1 %1\">\n"
        "  <defs>\n"
        "    <linearGradient id=\"tile\" x1=\"0\" y1=\"0\" x2=\"0\" y2=\"1\">\n"
        "      <stop offset=\"0\" stop-color=\"%3\"/>\n"
        "      <stop offset=\"1\" stop-color=\"%4\"/>\n"
        "    </linearGradient>\n"
        "  </defs>\n"
        "  <rect x=\"%2\" y=\"%2\" width=\"%5\" height=\"%5\" rx=\"%6\" fill=\"url(#tile)\"/>\n"
        "  <path fill=\"%7\" d=\"%8\"/>\n"
        "</svg>\n")
                             .arg(kCanvas)
                             .arg(number(kTile.left()), kTop.name(), kBottom.name(), number(kTile.width()),
                                 number(kTileRadius), kHandsetColor.name(), pathData(handset()));
    return text.toUtf8();
}

QString pngName(const QString &dir, int size)
{
    return dir + QStringLiteral("/ralu-%1.png").arg(size);
}

bool write(const QString &dir)
{
    QFile file(dir + QStringLiteral("/ralu.svg"));
    if (!file.open(QIODevice::WriteOnly) || file.write(svg()) < 0 || !file.flush()) {
        std::fprintf(stderr, "ralu_make_icon: cannot write %s\n", qPrintable(file.fileName()));
        return false;
    }
    for (int size : kSizes) {
        if (!render(size).save(pngName(dir, size), "PNG")) {
            std::fprintf(stderr, "ralu_make_icon: cannot write %s\n", qPrintable(pngName(dir, size)));
            return false;
        }
    }
    return true;
}

// The largest difference of any channel of any pixel; -1 when the sizes differ.
int difference(const QImage &a, const QImage &b)
{
    if (a.size() != b.size())
        return -1;
    int worst = 0;
    for (int y = 0; y < a.height(); ++y) {
        for (int x = 0; x < a.width(); ++x) {
            const QRgb p = a.pixel(x, y);
            const QRgb q = b.pixel(x, y);
            worst = std::max({ worst, std::abs(qRed(p) - qRed(q)), std::abs(qGreen(p) - qGreen(q)),
                std::abs(qBlue(p) - qBlue(q)), std::abs(qAlpha(p) - qAlpha(q)) });
        }
    }
    return worst;
}

bool check(const QString &dir)
{
    bool same = true;
    for (int size : kSizes) {
        const QImage stored(pngName(dir, size));
        const QImage fresh = render(size);
        const int diff = stored.isNull() ? -1 : difference(stored.convertToFormat(fresh.format()), fresh);
        if (diff < 0 || diff > kTolerance) {
            std::printf("FAIL: %s differs from the generator (%s)\n", qPrintable(pngName(dir, size)),
                diff < 0 ? "missing or of another size" : qPrintable(QStringLiteral("by %1").arg(diff)));
            same = false;
        }
    }
    QFile file(dir + QStringLiteral("/ralu.svg"));
    if (!file.open(QIODevice::ReadOnly) || file.readAll() != svg()) {
        std::printf("FAIL: %s differs from the generator\n", qPrintable(file.fileName()));
        same = false;
    }
    if (same)
        std::printf("ok: the icons match the generator\n");
    return same;
}

} // namespace

int main(int argc, char *argv[])
{
    if (argc == 2)
        return write(QString::fromLocal8Bit(argv[1])) ? 0 : 1;
    if (argc == 3 && std::strcmp(argv[1], "--check") == 0)
        return check(QString::fromLocal8Bit(argv[2])) ? 0 : 1;
    std::fprintf(stderr, "usage: ralu_make_icon [--check] DIR\n");
    return 2;
}

// Generator of Ralu's skin pictures: draws every background and button face
// at 1x and at 2x ("name@2x.png") with QPainter, never scaling a bitmap.
//   ralu_skin_pictures write FOLDER       writes the PNG files into FOLDER
//   ralu_skin_pictures check FOLDER QRC   exit 1 unless FOLDER holds exactly
//       what would be written (same pixels) and QRC lists every file
// Runs on the offscreen platform; the fonts are DejaVu's, loaded by path.
#include "Drawing.h"

#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QSet>

#include <cstdio>

namespace {

int usage(const char *program)
{
    std::fprintf(stderr, "usage: %s write FOLDER | check FOLDER QRC\n", program);
    return 2;
}

QString fileName(const skingen::Picture &picture, int scale)
{
    return picture.name + (scale == 1 ? QString() : QStringLiteral("@%1x").arg(scale))
        + QStringLiteral(".png");
}

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const QStringList args = app.arguments();
    const bool write = args.size() == 3 && args[1] == QLatin1String("write");
    const bool check = args.size() == 4 && args[1] == QLatin1String("check");
    if (!write && !check)
        return usage(argv[0]);
    if (!skingen::loadFonts())
        return 1;

    std::vector<skingen::Picture> pictures;
    skingen::addBackgrounds(pictures);
    skingen::addButtons(pictures);

    const QDir folder(args[2]);
    QByteArray qrc;
    if (check) {
        QFile file(args[3]);
        if (!file.open(QIODevice::ReadOnly)) {
            std::fprintf(stderr, "%s: %s\n", qPrintable(args[3]), qPrintable(file.errorString()));
            return 1;
        }
        qrc = file.readAll();
    } else if (!QDir().mkpath(folder.path())) {
        std::fprintf(stderr, "cannot make the folder %s\n", qPrintable(folder.path()));
        return 1;
    }

    int faults = 0;
    QSet<QString> expected;
    for (const skingen::Picture &picture : pictures)
        for (int scale : { 1, 2 }) {
            const QString name = fileName(picture, scale);
            const QString path = folder.filePath(name);
            expected.insert(name);
            const QImage image = skingen::render(picture, scale);
            if (write) {
                if (!image.save(path, "PNG")) {
                    std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
                    return 1;
                }
                continue;
            }
            const QImage stored(path);
            if (stored.isNull()) {
                std::fprintf(stderr, "missing: %s\n", qPrintable(path));
                ++faults;
            } else if (stored.convertToFormat(image.format()) != image) {
                std::fprintf(stderr, "differs from its drawing: %s\n", qPrintable(path));
                ++faults;
            }
            if (!qrc.contains(QStringLiteral(">skin/%1<").arg(name).toUtf8())) {
                std::fprintf(stderr, "not in %s: skin/%s\n", qPrintable(args[3]), qPrintable(name));
                ++faults;
            }
        }
    if (check) {
        for (const QString &name : folder.entryList({ QStringLiteral("*.png") }, QDir::Files))
            if (!expected.contains(name)) {
                std::fprintf(stderr, "drawn by nothing: %s\n", qPrintable(folder.filePath(name)));
                ++faults;
            }
        if (faults > 0)
            std::fprintf(
                stderr, "%d fault(s); regenerate with: cmake --build BUILD --target skin_pictures\n", faults);
    }
    return faults == 0 ? 0 : 1;
}

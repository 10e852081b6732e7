// Every button face of the four skinned windows, each in its normal, pressed
// and hovered look: "name.png", "name_pressed.png" and "name_hover.png". The
// words on them are the program's own (skin/FaceCaptions.h): buttons read
// their accessible names there.
#include "Drawing.h"

#include "skin/FaceCaptions.h"

namespace skingen {

namespace {

using namespace palette;

struct Face {
    const char *name;
    QSize size;
    std::function<void(QPainter &, const QRectF &, Look)> draw;
};

const char *suffix(Look look)
{
    switch (look) {
    case Look::Pressed:
        return "_pressed";
    case Look::Hovered:
        return "_hover";
    case Look::Normal:
        break;
    }
    return "";
}

QString caption(const char *face)
{
    return QString::fromLatin1(ralu::skin::faceCaption(face));
}

// A dial key: the digit large, its letters small beneath it.
Face key(const char *name, const QString &letters)
{
    const QString digit = caption(name);
    return { name, QSize(31, 25), [digit, letters](QPainter &p, const QRectF &r, Look look) {
                const QRectF c = drawPlate(p, r, 5, kSlate, look);
                if (letters.isEmpty()) {
                    // DejaVu's star sits high like a superscript: drawn larger and lower.
                    const bool star = digit == QLatin1String("*");
                    drawFittedText(p, c.adjusted(0, star ? 5 : 0, 0, star ? 4 : -1), digit, star ? 22 : 16,
                        kSlate.ink, false);
                    return;
                }
                drawFittedText(p, QRectF(c.left(), c.top() + 1, c.width(), 15), digit, 13, kSlate.ink, false);
                drawFittedText(p, QRectF(c.left(), c.top() + 14.5, c.width(), 9), letters, 7.5, kMuted);
            } };
}

// An icon over a short label.
Face iconLabel(const char *name, QSize size, const Plate &plate, Icon icon, qreal iconSize,
    const QColor &iconInk, qreal labelSize = 8.5)
{
    const QString label = caption(name);
    return { name, size, [=](QPainter &p, const QRectF &r, Look look) {
                const QRectF c = drawPlate(p, r, 5, plate, look);
                const qreal labelHeight = labelSize + 2;
                const qreal top = c.top() + (c.height() - iconSize - labelHeight) / 2;
                icon(p, QRectF(c.center().x() - iconSize / 2, top, iconSize, iconSize), iconInk);
                drawFittedText(
                    p, QRectF(c.left(), top + iconSize, c.width(), labelHeight), label, labelSize, plate.ink);
            } };
}

// An icon beside a label, for wide flat buttons.
Face iconBeside(const char *name, QSize size, const Plate &plate, Icon icon, qreal labelSize)
{
    const QString label = caption(name);
    return { name, size, [=](QPainter &p, const QRectF &r, Look look) {
                const QRectF c = drawPlate(p, r, 5, plate, look);
                const qreal iconSize = qMin<qreal>(c.height() - 8, 16);
                const QRectF textBox(c.left() + iconSize + 6, c.top(), c.width() - iconSize - 10, c.height());
                icon(p, QRectF(c.left() + 7, c.center().y() - iconSize / 2, iconSize, iconSize), plate.ink);
                drawFittedText(p, textBox, label, labelSize, plate.ink, false);
            } };
}

Face label(
    const char *name, QSize size, const Plate &plate, qreal pixelSize, qreal radius, bool condensed = true)
{
    const QString text = caption(name);
    return { name, size, [=](QPainter &p, const QRectF &r, Look look) {
                const QRectF c = drawPlate(p, r, radius, plate, look);
                drawFittedText(p, c, text, pixelSize, plate.ink, condensed);
            } };
}

// A round window button in the top 12 x 12 of its picture.
Face round(const char *name, QSize size, const Plate &plate, Icon icon)
{
    return { name, size, [=](QPainter &p, const QRectF &r, Look look) {
                const QRectF disc(r.left() + 1, r.top() + 2, 10, 10);
                drawPlate(p, disc, 5, plate, look);
                icon(p, disc.adjusted(2.5, 2.5, -2.5, -2.5).translated(0, look == Look::Pressed ? 0.5 : 0),
                    plate.ink);
            } };
}

// The level slider's knob: a light metal grip.
Face knob()
{
    const Plate metal { QColor(0xf1, 0xf4, 0xf8), QColor(0xa4, 0xb1, 0xc1), QColor(0x1d, 0x24, 0x2e),
        QColor(0x3a, 0x45, 0x55) };
    return { "knob", QSize(17, 14), [metal](QPainter &p, const QRectF &r, Look look) {
                const QRectF c = drawPlate(p, r, 3, metal, look);
                p.save();
                p.setPen(QPen(metal.ink, 1));
                for (qreal y : { 4.5, 7.0, 9.5 })
                    p.drawLine(QPointF(c.left() + 4, c.top() + y), QPointF(c.right() - 4, c.top() + y));
                p.restore();
            } };
}

std::vector<Face> faces()
{
    const QSize pad(31, 25), bottom(34, 31), side(32, 12), dialog(64, 24);
    const Plate sidePlate { QColor(0x3f, 0x4c, 0x60), QColor(0x2b, 0x35, 0x44), QColor(0x10, 0x15, 0x1c),
        QColor(0xe9, 0xef, 0xf6) };
    const Plate webPlate { QColor(0x2f, 0x8f, 0x9d), QColor(0x1c, 0x60, 0x6b), QColor(0x0b, 0x2b, 0x30),
        Qt::white };
    std::vector<Face> list = {
        key("key_1", QString()),
        key("key_2", "ABC"),
        key("key_3", "DEF"),
        key("key_4", "GHI"),
        key("key_5", "JKL"),
        key("key_6", "MNO"),
        key("key_7", "PQRS"),
        key("key_8", "TUV"),
        key("key_9", "WXYZ"),
        key("key_0", "+"),
        key("key_star", QString()),
        key("key_hash", QString()),
        iconLabel("call", QSize(38, 36), kGreen, icons::handset, 17, Qt::white, 9),
        iconLabel("end", QSize(38, 36), kRed, icons::handsetDown, 17, Qt::white, 9),
        iconLabel("clear", QSize(33, 37), kSlate, icons::clearAll, 15, kAmber, 8.5),
        iconLabel("dnd", bottom, kSlate, icons::noEntry, 13, QColor(0xff, 0x8a, 0x80)),
        iconLabel("forward", bottom, kSlate, icons::forward, 13, kSlate.ink),
        iconLabel("hold", bottom, kSlate, icons::pause, 13, kSlate.ink),
        iconLabel("transfer", bottom, kSlate, icons::transfer, 13, kSlate.ink),
        iconLabel("phonebook", bottom, kSlate, icons::book, 13, kSlate.ink),
        iconLabel("history", bottom, kSlate, icons::clock, 13, kSlate.ink),
        iconLabel("signup", QSize(40, 32), webPlate, icons::personPlus, 13, Qt::white),
        round("close", QSize(12, 14), kRed, icons::cross),
        round("hide", QSize(12, 14), kSlate, icons::minus),
        label("photo", side, sidePlate, 8, 3),
        label("video", side, sidePlate, 8, 3),
        label("radio", side, sidePlate, 8, 3),
        label("tv", side, sidePlate, 8, 3),
        label("vmail", side, sidePlate, 8, 3),
        label("info", side, sidePlate, 8, 3),
        label("number", side, sidePlate, 8, 3),
        label("audio", QSize(43, 13), sidePlate, 8.5, 3),
        label("account", QSize(43, 12), sidePlate, 8, 3),
        knob(),
        // Main window elements outside its outline: drawn all the same.
        iconBeside("server", QSize(73, 32), kSlate, icons::server, 11),
        iconBeside("delete_digit", QSize(89, 24), kSlate, icons::backspace, 11),
        label("book_small", QSize(56, 13), sidePlate, 8.5, 3),
        // The child windows' buttons.
        label("login", dialog, kBlue, 11.5, 5, false),
        label("exit", dialog, kSlate, 11.5, 5, false),
        label("add", dialog, kSlate, 11.5, 5, false),
        label("save", dialog, kSlate, 11.5, 5, false),
        label("delete", dialog, kSlate, 11.5, 5, false),
        iconBeside("dial", dialog, kGreen, icons::handset, 11.5),
        label("clear_list", QSize(49, 25), kSlate, 11.5, 5, false),
        label("close_window", QSize(67, 23), kSlate, 11.5, 5, false),
        label("close_dialog", dialog, kSlate, 11.5, 5, false),
        label("test_tone", QSize(80, 24), kSlate, 11.5, 5, false),
    };
    return list;
}

} // namespace

void addButtons(std::vector<Picture> &out)
{
    for (const Face &face : faces())
        for (Look look : { Look::Normal, Look::Pressed, Look::Hovered }) {
            const auto draw = face.draw;
            const QRectF r(QPointF(0, 0), QSizeF(face.size));
            out.push_back({ QLatin1String(face.name) + QLatin1String(suffix(look)), face.size,
                [draw, r, look](QPainter &p) { draw(p, r, look); }, {} });
        }
}

} // namespace skingen

// The line icons of the button faces, drawn in a unit square mapped onto the
// box, so each comes out sharp at every size and scale.
#include "Drawing.h"

#include <QPainterPath>

namespace skingen::icons {

namespace {

// Maps the unit square onto box; the pen is a fraction of the box's size.
struct Unit {
    QPainter &p;
    QRectF box;
    Unit(QPainter &painter, const QRectF &b, const QColor &ink, qreal stroke = 0.12)
        : p(painter)
        , box(b)
    {
        p.save();
        p.setPen(
            QPen(ink, qMax<qreal>(1.1, stroke * box.width()), Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        p.setBrush(Qt::NoBrush);
    }
    ~Unit() { p.restore(); }
    QPointF at(qreal x, qreal y) const
    {
        return { box.left() + x * box.width(), box.top() + y * box.height() };
    }
    QRectF rect(qreal x, qreal y, qreal w, qreal h) const
    {
        return { at(x, y), QSizeF(w * box.width(), h * box.height()) };
    }
    void line(qreal x1, qreal y1, qreal x2, qreal y2) { p.drawLine(at(x1, y1), at(x2, y2)); }
    void fill(const QPainterPath &path) { p.fillPath(path, p.pen().color()); }
};

// The classic handset: two round ends joined by a bow, lying along the
// horizontal axis of the unit square, ends pointing down.
QPainterPath handsetPath(const Unit &u)
{
    QPainterPath path;
    path.moveTo(u.at(0.04, 0.62));
    path.cubicTo(u.at(0.10, 0.18), u.at(0.90, 0.18), u.at(0.96, 0.62));
    path.lineTo(u.at(0.96, 0.74));
    path.lineTo(u.at(0.70, 0.74));
    path.lineTo(u.at(0.66, 0.52));
    path.cubicTo(u.at(0.56, 0.44), u.at(0.44, 0.44), u.at(0.34, 0.52));
    path.lineTo(u.at(0.30, 0.74));
    path.lineTo(u.at(0.04, 0.74));
    path.closeSubpath();
    return path;
}

} // namespace

void handsetDown(QPainter &p, const QRectF &box, const QColor &ink)
{
    Unit u(p, box, ink);
    u.fill(handsetPath(u));
}

void handset(QPainter &p, const QRectF &box, const QColor &ink)
{
    // The same handset lifted: turned a quarter and an eighth about its centre.
    p.save();
    p.translate(box.center());
    p.rotate(-135);
    p.translate(-box.center());
    Unit u(p, box, ink);
    u.fill(handsetPath(u).translated(0, -0.08 * box.height()));
    p.restore();
}

void clearAll(QPainter &p, const QRectF &box, const QColor &ink)
{
    Unit u(p, box, ink, 0.11);
    p.drawEllipse(u.rect(0.08, 0.08, 0.84, 0.84));
    u.line(0.34, 0.34, 0.66, 0.66);
    u.line(0.66, 0.34, 0.34, 0.66);
}

void backspace(QPainter &p, const QRectF &box, const QColor &ink)
{
    Unit u(p, box, ink, 0.09);
    QPainterPath path;
    path.moveTo(u.at(0.04, 0.5));
    path.lineTo(u.at(0.32, 0.2));
    path.lineTo(u.at(0.96, 0.2));
    path.lineTo(u.at(0.96, 0.8));
    path.lineTo(u.at(0.32, 0.8));
    path.closeSubpath();
    p.drawPath(path);
    u.line(0.5, 0.36, 0.76, 0.64);
    u.line(0.76, 0.36, 0.5, 0.64);
}

void book(QPainter &p, const QRectF &box, const QColor &ink)
{
    Unit u(p, box, ink, 0.1);
    p.drawRoundedRect(u.rect(0.18, 0.08, 0.66, 0.84), 0.08 * box.width(), 0.08 * box.width());
    u.line(0.34, 0.1, 0.34, 0.9);
    u.line(0.48, 0.34, 0.7, 0.34);
    u.line(0.48, 0.52, 0.7, 0.52);
}

void clock(QPainter &p, const QRectF &box, const QColor &ink)
{
    Unit u(p, box, ink, 0.1);
    p.drawEllipse(u.rect(0.08, 0.08, 0.84, 0.84));
    u.line(0.5, 0.5, 0.5, 0.24);
    u.line(0.5, 0.5, 0.7, 0.62);
}

void pause(QPainter &p, const QRectF &box, const QColor &ink)
{
    Unit u(p, box, ink);
    QPainterPath path;
    path.addRoundedRect(u.rect(0.22, 0.14, 0.2, 0.72), 0.04 * box.width(), 0.04 * box.width());
    path.addRoundedRect(u.rect(0.58, 0.14, 0.2, 0.72), 0.04 * box.width(), 0.04 * box.width());
    u.fill(path);
}

void forward(QPainter &p, const QRectF &box, const QColor &ink)
{
    Unit u(p, box, ink);
    QPainterPath bow;
    bow.moveTo(u.at(0.12, 0.86));
    bow.cubicTo(u.at(0.12, 0.4), u.at(0.3, 0.36), u.at(0.82, 0.36));
    p.drawPath(bow);
    u.line(0.62, 0.14, 0.86, 0.36);
    u.line(0.62, 0.58, 0.86, 0.36);
}

void transfer(QPainter &p, const QRectF &box, const QColor &ink)
{
    Unit u(p, box, ink);
    u.line(0.1, 0.3, 0.88, 0.3);
    u.line(0.7, 0.12, 0.88, 0.3);
    u.line(0.7, 0.48, 0.88, 0.3);
    u.line(0.9, 0.72, 0.12, 0.72);
    u.line(0.3, 0.54, 0.12, 0.72);
    u.line(0.3, 0.9, 0.12, 0.72);
}

void noEntry(QPainter &p, const QRectF &box, const QColor &ink)
{
    Unit u(p, box, ink, 0.11);
    p.drawEllipse(u.rect(0.08, 0.08, 0.84, 0.84));
    u.line(0.28, 0.5, 0.72, 0.5);
}

void cross(QPainter &p, const QRectF &box, const QColor &ink)
{
    Unit u(p, box, ink, 0.16);
    u.line(0.2, 0.2, 0.8, 0.8);
    u.line(0.8, 0.2, 0.2, 0.8);
}

void minus(QPainter &p, const QRectF &box, const QColor &ink)
{
    Unit u(p, box, ink, 0.16);
    u.line(0.2, 0.5, 0.8, 0.5);
}

void speaker(QPainter &p, const QRectF &box, const QColor &ink)
{
    Unit u(p, box, ink, 0.09);
    QPainterPath cone;
    cone.moveTo(u.at(0.06, 0.36));
    cone.lineTo(u.at(0.26, 0.36));
    cone.lineTo(u.at(0.52, 0.12));
    cone.lineTo(u.at(0.52, 0.88));
    cone.lineTo(u.at(0.26, 0.64));
    cone.lineTo(u.at(0.06, 0.64));
    cone.closeSubpath();
    u.fill(cone);
    p.drawArc(u.rect(0.42, 0.3, 0.34, 0.4), -50 * 16, 100 * 16);
    p.drawArc(u.rect(0.36, 0.12, 0.6, 0.76), -50 * 16, 100 * 16);
}

void microphone(QPainter &p, const QRectF &box, const QColor &ink)
{
    Unit u(p, box, ink, 0.09);
    QPainterPath capsule;
    capsule.addRoundedRect(u.rect(0.36, 0.04, 0.28, 0.54), 0.14 * box.width(), 0.14 * box.width());
    u.fill(capsule);
    p.drawArc(u.rect(0.2, 0.2, 0.6, 0.56), 180 * 16, 180 * 16);
    u.line(0.5, 0.76, 0.5, 0.92);
    u.line(0.32, 0.94, 0.68, 0.94);
}

void personPlus(QPainter &p, const QRectF &box, const QColor &ink)
{
    Unit u(p, box, ink, 0.1);
    QPainterPath person;
    person.addEllipse(u.rect(0.18, 0.1, 0.3, 0.3));
    person.moveTo(u.at(0.04, 0.9));
    person.cubicTo(u.at(0.04, 0.5), u.at(0.62, 0.5), u.at(0.62, 0.9));
    person.closeSubpath();
    u.fill(person);
    u.line(0.82, 0.3, 0.82, 0.7);
    u.line(0.62, 0.5, 1.0, 0.5);
}

void server(QPainter &p, const QRectF &box, const QColor &ink)
{
    Unit u(p, box, ink, 0.09);
    p.drawRoundedRect(u.rect(0.1, 0.1, 0.8, 0.34), 0.06 * box.width(), 0.06 * box.width());
    p.drawRoundedRect(u.rect(0.1, 0.56, 0.8, 0.34), 0.06 * box.width(), 0.06 * box.width());
    u.line(0.24, 0.27, 0.3, 0.27);
    u.line(0.24, 0.73, 0.3, 0.73);
}

} // namespace skingen::icons

#include "skin/TipWindow.h"

#include <QCursor>
#include <QEvent>
#include <QGuiApplication>
#include <QMouseEvent>
#include <QScreen>
#include <QStyleHints>
#include <QToolTip>

namespace ralu::skin {

DelayTimes DelayTimes::automatic()
{
    const int interval = QGuiApplication::styleHints()->mouseDoubleClickInterval();
    return { interval, interval * 10, interval / 5 };
}

TipWindow::TipWindow()
    : QLabel(nullptr, Qt::ToolTip | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint)
    , delays(DelayTimes::automatic())
{
    setObjectName(QStringLiteral("tooltips"));
    setTextFormat(Qt::PlainText);
    setWordWrap(false); // tips never wrap
    setPalette(QToolTip::palette());
    setFont(QToolTip::font());
    setAutoFillBackground(true);
    setFrameStyle(QFrame::Box | QFrame::Plain);
    setMargin(2);
    m_showTimer.setSingleShot(true);
    m_hideTimer.setSingleShot(true);
    connect(&m_showTimer, &QTimer::timeout, this, &TipWindow::showTip);
    connect(&m_hideTimer, &QTimer::timeout, this, &QWidget::hide);
}

bool TipWindow::add(const Registration &registration)
{
    if (!registration.owner || find(registration.owner, registration.id))
        return false;
    m_registrations.push_back(registration);
    if (registration.tool) {
        registration.tool->installEventFilter(this);
    } else {
        registration.owner->setMouseTracking(true); // moves over the area without a button
        registration.owner->installEventFilter(this);
    }
    return true;
}

TipWindow::Registration *TipWindow::find(const QWidget *owner, quintptr id)
{
    for (Registration &r : m_registrations)
        if (r.owner == owner && r.id == id)
            return &r;
    return nullptr;
}

void TipWindow::remove(const QWidget *owner, quintptr id)
{
    for (auto it = m_registrations.begin(); it != m_registrations.end(); ++it) {
        if (it->owner == owner && it->id == id) {
            if (m_pending == &*it)
                disarm();
            m_registrations.erase(it);
            return;
        }
    }
}

void TipWindow::arm(Registration *registration)
{
    if (m_pending == registration)
        return;
    const bool shown = isVisible();
    m_pending = registration;
    m_hideTimer.stop();
    m_showTimer.start(shown ? delays.reshow : delays.initial);
}

void TipWindow::disarm()
{
    m_pending = nullptr;
    m_showTimer.stop();
    hide();
}

QRect TipWindow::toolRectOnScreen(const Registration &r) const
{
    if (r.tool)
        return QRect(r.tool->mapToGlobal(QPoint(0, 0)), r.tool->size());
    return QRect(r.owner->mapToGlobal(r.area.topLeft()), r.area.size());
}

void TipWindow::showTip()
{
    const Registration *r = m_pending;
    if (!r || !r->owner)
        return;
    QString text;
    if (r->text)
        text = *r->text;
    else if (r->asker)
        emit r->asker->needText(r->tool ? r->tool.data() : r->owner.data(), &text);
    if (text.isEmpty()) {
        hide();
        return;
    }
    setText(text);
    adjustSize();
    const QRect tool = toolRectOnScreen(*r);
    QPoint at = r->centred ? QPoint(tool.center().x() - width() / 2, tool.bottom() + 1)
                           : QCursor::pos() + QPoint(0, 20);
    if (const QScreen *screen = QGuiApplication::screenAt(tool.center())) {
        const QRect room = screen->availableGeometry();
        at.setX(qBound(room.left(), at.x(), qMax(room.left(), room.right() - width())));
        at.setY(qMin(at.y(), qMax(room.top(), room.bottom() - height())));
    }
    move(at);
    show();
    raise();
    m_hideTimer.start(delays.autoPop);
}

bool TipWindow::eventFilter(QObject *watched, QEvent *event)
{
    auto *widget = qobject_cast<QWidget *>(watched);
    switch (event->type()) {
    case QEvent::Enter:
        for (Registration &r : m_registrations)
            if (r.tool == widget && widget->isEnabled())
                arm(&r);
        break;
    case QEvent::MouseMove: {
        // Mouse-transparent tools: the owner sees the pointer over their area.
        const QPoint at = static_cast<QMouseEvent *>(event)->position().toPoint();
        Registration *over = nullptr;
        for (Registration &r : m_registrations)
            if (!r.tool && r.owner == widget && r.area.contains(at))
                over = &r;
        if (over)
            arm(over);
        else if (m_pending && !m_pending->tool && m_pending->owner == widget)
            disarm();
        break;
    }
    case QEvent::Leave:
        if (m_pending && (m_pending->tool == widget || (!m_pending->tool && m_pending->owner == widget)))
            disarm();
        break;
    case QEvent::MouseButtonPress:
    case QEvent::Hide:
        if (m_pending && (m_pending->tool == widget || m_pending->owner == widget))
            disarm();
        break;
    default:
        break;
    }
    return false;
}

} // namespace ralu::skin

#include "skin/SkinButton.h"

#include "skin/Accessibility.h"

#include <QAccessible>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QShortcut>

namespace ralu {

namespace {

// The focus ring: amber reads on the dark body and on every plate colour.
const QColor kFocusRing(0xf5, 0xb7, 0x31);

bool isSpace(const QKeyEvent *event)
{
    return event->key() == Qt::Key_Space && !(event->modifiers() & ~Qt::KeypadModifier);
}

} // namespace

SkinButton::SkinButton(QWidget *parent)
    : QLabel(parent)
{
    skin::installAccessibility();
    setFocusPolicy(Qt::TabFocus); // a click leaves the focus where it was
}

void SkinButton::showPressed(bool) { }

void SkinButton::click()
{
    if (isEnabled())
        emit clicked();
}

void SkinButton::setShortcut(const QKeySequence &keys)
{
    delete m_shortcut;
    // Window-wide, and only while the button is shown and enabled.
    m_shortcut = new QShortcut(keys, this, this, &SkinButton::click, Qt::WindowShortcut);
}

QKeySequence SkinButton::shortcut() const
{
    return m_shortcut ? m_shortcut->key() : QKeySequence();
}

void SkinButton::setLevel(int percent)
{
    const bool changed = m_level != percent;
    m_level = percent;
    if (changed && QAccessible::isActive()) {
        QAccessibleValueChangeEvent event(this, percent);
        QAccessible::updateAccessibility(&event);
    }
}

void SkinButton::mousePressEvent(QMouseEvent *event)
{
    event->accept(); // the button keeps the mouse until the release
}

void SkinButton::mouseReleaseEvent(QMouseEvent *event)
{
    event->accept();
    if (isEnabled() && event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()))
        emit clicked();
}

void SkinButton::keyPressEvent(QKeyEvent *event)
{
    if (!isSpace(event) || m_level) {
        QLabel::keyPressEvent(event); // not taken: the window sees it
        return;
    }
    event->accept();
    if (!event->isAutoRepeat()) {
        m_spaceDown = true;
        showPressed(true);
    }
}

void SkinButton::keyReleaseEvent(QKeyEvent *event)
{
    if (!isSpace(event) || !m_spaceDown) {
        QLabel::keyReleaseEvent(event);
        return;
    }
    event->accept();
    if (event->isAutoRepeat())
        return; // held down: one click at the real release
    releaseKey();
    click();
}

void SkinButton::releaseKey()
{
    m_spaceDown = false;
    showPressed(false);
}

void SkinButton::focusOutEvent(QFocusEvent *event)
{
    if (m_spaceDown)
        releaseKey(); // the focus left with Space held: no click
    QLabel::focusOutEvent(event);
}

void SkinButton::paintEvent(QPaintEvent *event)
{
    QLabel::paintEvent(event);
    if (!hasFocus())
        return;
    QPainter p(this);
    p.setPen(QPen(kFocusRing, 1));
    p.drawRect(rect().adjusted(0, 0, -1, -1));
}

} // namespace ralu

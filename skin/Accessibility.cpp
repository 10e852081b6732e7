#include "skin/Accessibility.h"

#include "skin/SkinButton.h"

#include <QAccessibleValueInterface>
#include <QAccessibleWidget>
#include <QWidget>

#include <algorithm>

namespace ralu::skin {

namespace {

constexpr char kHiddenProperty[] = "raluHiddenFromAssistiveTechnology";

class HiddenAccessible : public QAccessibleWidget {
public:
    explicit HiddenAccessible(QWidget *widget)
        : QAccessibleWidget(widget)
    {
    }
    QAccessible::State state() const override
    {
        QAccessible::State state = QAccessibleWidget::state();
        state.invisible = true;
        state.focusable = false;
        return state;
    }
};

// A skin button as a push button, or as a slider when it carries a level.
class SkinButtonAccessible : public QAccessibleWidget, public QAccessibleValueInterface {
public:
    explicit SkinButtonAccessible(SkinButton *button)
        : QAccessibleWidget(button, QAccessible::Button)
    {
    }
    SkinButton *button() const { return static_cast<SkinButton *>(widget()); }

    QAccessible::Role role() const override
    {
        return button()->level() ? QAccessible::Slider : QAccessible::Button;
    }
    QAccessible::State state() const override
    {
        QAccessible::State state = QAccessibleWidget::state();
        if (hiddenFromAssistiveTechnology(button()))
            state.invisible = true;
        return state;
    }
    QString text(QAccessible::Text t) const override
    {
        if (t == QAccessible::Accelerator)
            return button()->shortcut().toString(QKeySequence::NativeText);
        if (t == QAccessible::Value && button()->level())
            return QString::number(*button()->level()) + QLatin1Char('%');
        return QAccessibleWidget::text(t);
    }
    void *interface_cast(QAccessible::InterfaceType type) override
    {
        if (type == QAccessible::ValueInterface && button()->level())
            return static_cast<QAccessibleValueInterface *>(this);
        return QAccessibleWidget::interface_cast(type);
    }

    QStringList actionNames() const override
    {
        QStringList names = QAccessibleWidget::actionNames();
        if (!button()->level() && button()->isEnabled() && !hiddenFromAssistiveTechnology(button()))
            names.prepend(pressAction());
        return names;
    }
    void doAction(const QString &action) override
    {
        if (action == pressAction() && !button()->level())
            button()->click();
        else
            QAccessibleWidget::doAction(action);
    }
    QStringList keyBindingsForAction(const QString &action) const override
    {
        if (action == pressAction())
            return { QKeySequence(Qt::Key_Space).toString(QKeySequence::NativeText) };
        return QAccessibleWidget::keyBindingsForAction(action);
    }

    // A level: 0 to 100; the knob's owner moves it.
    QVariant currentValue() const override { return button()->level().value_or(0); }
    void setCurrentValue(const QVariant &value) override
    {
        if (button()->isEnabled())
            emit button()->levelAsked(std::clamp(value.toInt(), 0, 100));
    }
    QVariant maximumValue() const override { return 100; }
    QVariant minimumValue() const override { return 0; }
    QVariant minimumStepSize() const override { return 1; }
};

QAccessibleInterface *skinInterface(const QString &, QObject *object)
{
    auto *widget = qobject_cast<QWidget *>(object);
    if (!widget)
        return nullptr;
    if (auto *button = qobject_cast<SkinButton *>(widget))
        return new SkinButtonAccessible(button);
    if (hiddenFromAssistiveTechnology(widget))
        return new HiddenAccessible(widget);
    return nullptr;
}

} // namespace

void installAccessibility()
{
    static const bool installed = [] {
        QAccessible::installFactory(skinInterface);
        return true;
    }();
    (void)installed;
}

void hideFromAssistiveTechnology(QWidget *widget)
{
    widget->setProperty(kHiddenProperty, true);
    widget->setFocusPolicy(Qt::NoFocus);
}

bool hiddenFromAssistiveTechnology(const QWidget *widget)
{
    return widget->property(kHiddenProperty).toBool();
}

} // namespace ralu::skin

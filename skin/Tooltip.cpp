#include "skin/Tooltip.h"

#include "skin/TipWindow.h"

#include <QToolTip>

namespace ralu::skin {

namespace {

TipWindow *g_tipWindow = nullptr;
qint32 g_instances = 0;

QColor plainColour(const QColor &colour)
{
    return colour.isValid() ? colour : QColor(0, 0, 0); // an unusable colour becomes black
}

QString fixedTitle(const QString &title)
{
    return title.left(ToolRecord::kTitleLength).leftJustified(ToolRecord::kTitleLength, QLatin1Char(' '));
}

} // namespace

Tooltip::Tooltip(QObject *parent)
    : QObject(parent)
{
    if (!g_tipWindow)
        g_tipWindow = new TipWindow;
    ++g_instances;
}

Tooltip::~Tooltip()
{
    if (--g_instances <= 0) {
        g_instances = 0;
        delete g_tipWindow;
        g_tipWindow = nullptr;
    }
}

QWidget *Tooltip::tipWindow()
{
    return g_tipWindow;
}

DelayTimes Tooltip::delayTimes()
{
    return g_tipWindow ? g_tipWindow->delays : DelayTimes::automatic();
}

bool Tooltip::takesMouse(const QWidget *tool)
{
    return !tool->testAttribute(Qt::WA_TransparentForMouseEvents);
}

bool Tooltip::addTool(QWidget *tool, std::optional<QString> text, const ToolOptions &options)
{
    if (!tool)
        return false;
    TipWindow::Registration registration;
    registration.owner = tool->parentWidget() ? tool->parentWidget() : tool;
    registration.centred = options.centred;
    registration.transparent = options.transparent;
    registration.asker = this;
    if (takesMouse(tool)) {
        registration.id = ownId(tool);
        registration.tool = tool;
    } else {
        registration.id = static_cast<quintptr>(m_tools.size());
        registration.area = tool->geometry(); // pixels of its parent
    }
    if (text && !text->isEmpty())
        registration.text = *text;

    ToolRecord record;
    record.id = registration.id;
    record.tool = tool;
    const QPalette system = QToolTip::palette();
    record.backColour = plainColour(options.backColour.value_or(system.color(QPalette::ToolTipBase)));
    record.textColour = plainColour(options.foreColour.value_or(system.color(QPalette::ToolTipText)));
    record.balloon = options.balloon;
    record.title = fixedTitle(options.title);
    record.icon = options.icon;
    record.showMode = options.showMode;
    record.margin = options.margin;
    record.alignment = options.alignment;
    record.width = options.width;
    m_tools.append(record);

    return g_tipWindow->add(registration);
}

void Tooltip::setDelayTimes(std::optional<int> show, std::optional<int> autoHide, std::optional<int> reshow)
{
    DelayTimes &delays = g_tipWindow->delays;
    if (!show && !autoHide && !reshow) {
        delays = DelayTimes::automatic();
        return;
    }
    if (show)
        delays.initial = *show;
    if (autoHide)
        delays.autoPop = *autoHide;
    if (reshow)
        delays.reshow = *reshow;
}

ToolRecord *Tooltip::recordOf(const QWidget *tool)
{
    for (ToolRecord &record : m_tools)
        if (record.tool == tool)
            return &record;
    return nullptr;
}

void Tooltip::updateTool(QWidget *tool, const ToolChanges &changes)
{
    ToolRecord *record = tool ? recordOf(tool) : nullptr;
    if (!record)
        return;
    QWidget *owner = tool->parentWidget() ? tool->parentWidget() : tool;
    if (TipWindow::Registration *registration = g_tipWindow->find(owner, record->id)) {
        if (!registration->tool)
            registration->area = tool->geometry();
        if (changes.text) {
            if (changes.text->isEmpty())
                registration->text.reset();
            else
                registration->text = *changes.text;
        }
    }
    if (changes.foreColour)
        record->textColour = plainColour(*changes.foreColour);
    if (changes.backColour)
        record->backColour = plainColour(*changes.backColour);
    if (changes.balloon)
        record->balloon = *changes.balloon;
    if (changes.title)
        record->title = fixedTitle(*changes.title);
    if (changes.icon)
        record->icon = *changes.icon;
    if (changes.showMode)
        record->showMode = *changes.showMode;
    if (changes.margin)
        record->margin = *changes.margin;
    if (changes.alignment)
        record->alignment = *changes.alignment;
    if (changes.width)
        record->width = *changes.width;
}

void Tooltip::removeTool(QWidget *tool)
{
    const ToolRecord *record = tool ? recordOf(tool) : nullptr;
    if (!record)
        return;
    QWidget *owner = tool->parentWidget() ? tool->parentWidget() : tool;
    g_tipWindow->remove(owner, record->id);
}

// The shared tip window's registration of a tool with its record, or null.
static const TipWindow::Registration *registrationOf(const QWidget *tool, const ToolRecord *record)
{
    if (!tool || !record)
        return nullptr;
    QWidget *owner = tool->parentWidget() ? tool->parentWidget() : const_cast<QWidget *>(tool);
    return g_tipWindow->find(owner, record->id);
}

std::optional<QString> Tooltip::registeredText(const QWidget *tool)
{
    const TipWindow::Registration *registration = registrationOf(tool, tool ? recordOf(tool) : nullptr);
    if (!registration)
        return std::nullopt;
    return registration->text.value_or(QString());
}

std::optional<QRect> Tooltip::registeredArea(const QWidget *tool)
{
    const TipWindow::Registration *registration = registrationOf(tool, tool ? recordOf(tool) : nullptr);
    if (!registration)
        return std::nullopt;
    return registration->area;
}

} // namespace ralu::skin

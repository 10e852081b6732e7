// Hover tips for controls. One tip window is shared by every Tooltip; each
// Tooltip keeps its own list of tools, one record per control, holding the
// control's display options. The tips shown are plain: the system's tooltip
// colours, one line, centred below the control when asked.
#pragma once

#include <QColor>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QRect>
#include <QString>
#include <QWidget>

#include <optional>

namespace ralu::skin {

// A tool's display options, as given when it is added.
struct ToolOptions {
    std::optional<QColor> foreColour; // default: the system's tooltip text colour
    std::optional<QColor> backColour; // default: the system's tooltip background colour
    bool balloon = false;
    QString title;
    qint32 icon = 0;
    qint32 showMode = 0;
    qint32 margin = 0;
    bool centred = false; // centred below the control rather than at the pointer
    bool transparent = false; // the tip lets the mouse through to the control
    qint32 alignment = 0;
    qint32 width = 0;
};

// What UpdateTool may change; an omitted value keeps the stored one.
struct ToolChanges {
    std::optional<QString> text; // empty: asked for each time (needText)
    std::optional<QColor> foreColour, backColour;
    std::optional<bool> balloon;
    std::optional<QString> title;
    std::optional<qint32> icon, showMode, margin, alignment, width;
};

struct ToolRecord {
    static constexpr int kTitleLength = 80; // titles are cut or padded to it

    // The control's own id when it takes the mouse itself; for a control
    // the mouse passes through (a picture, a caption), the tool count
    // before it was added.
    quintptr id = 0;
    QPointer<QWidget> tool;
    QColor backColour, textColour;
    bool balloon = false;
    QString title;
    qint32 icon = 0, showMode = 0, margin = 0, alignment = 0, width = 0;
};

struct DelayTimes {
    int initial, autoPop, reshow; // milliseconds
    // The automatic delays, from the double-click interval.
    static DelayTimes automatic();
    bool operator==(const DelayTimes &o) const
    {
        return initial == o.initial && autoPop == o.autoPop && reshow == o.reshow;
    }
};

class Tooltip : public QObject {
    Q_OBJECT
public:
    explicit Tooltip(QObject *parent = nullptr);
    ~Tooltip() override;

    // Registers the control; with no text, the text is asked for through
    // needText every time the tip is about to show. False when the tip
    // window refused the tool.
    bool addTool(QWidget *tool, std::optional<QString> text, const ToolOptions &options = {});
    // With nothing given, back to the automatic delays; otherwise only the
    // given ones change. The delays belong to the shared tip window.
    void setDelayTimes(
        std::optional<int> show = {}, std::optional<int> autoHide = {}, std::optional<int> reshow = {});
    void updateTool(QWidget *tool, const ToolChanges &changes);
    // The tip no longer shows; the record stays in the list.
    void removeTool(QWidget *tool);

    const QList<ToolRecord> &tools() const { return m_tools; }

    // The shared tip window (a label), or null while no Tooltip lives.
    static QWidget *tipWindow();
    static DelayTimes delayTimes();
    // The text the tip window holds for the tool: nullopt when the tool is
    // not registered, an empty text when it is asked for on request.
    std::optional<QString> registeredText(const QWidget *tool);
    // The area of its owner the tip of a mouse-transparent control covers
    // (empty for a control that takes the mouse itself).
    std::optional<QRect> registeredArea(const QWidget *tool);

signals:
    // The text of a tool added without one; the handler fills in *text.
    void needText(QWidget *tool, QString *text);

private:
    ToolRecord *recordOf(const QWidget *tool);
    static bool takesMouse(const QWidget *tool);
    static quintptr ownId(const QWidget *tool) { return reinterpret_cast<quintptr>(tool); }

    QList<ToolRecord> m_tools;
};

} // namespace ralu::skin

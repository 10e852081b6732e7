// The one window that shows every Tooltip's tips: the tools registered with
// it, the delays, and the hover tracking that shows and hides the tip.
#pragma once

#include "skin/Tooltip.h"

#include <QLabel>
#include <QTimer>
#include <list>

namespace ralu::skin {

class TipWindow : public QLabel {
    Q_OBJECT
public:
    struct Registration {
        QPointer<QWidget> owner;
        quintptr id = 0;
        QPointer<QWidget> tool; // set when the tool takes the mouse itself
        QRect area; // in the owner, for a mouse-transparent tool
        bool centred = false;
        bool transparent = false;
        std::optional<QString> text; // nullopt: asked for from `asker`
        QPointer<Tooltip> asker;
    };

    TipWindow();

    bool add(const Registration &registration);
    Registration *find(const QWidget *owner, quintptr id);
    void remove(const QWidget *owner, quintptr id);

    DelayTimes delays;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void arm(Registration *registration);
    void disarm();
    void showTip();
    QRect toolRectOnScreen(const Registration &registration) const;

    std::list<Registration> m_registrations; // a list: pointers into it stay valid
    const Registration *m_pending = nullptr;
    QTimer m_showTimer;
    QTimer m_hideTimer;
};

} // namespace ralu::skin

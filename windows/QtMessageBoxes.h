// Message boxes on the screen, modal over the active window. When no window
// of Ralu's is active (a box about a call while Ralu is behind another
// program), over the window the owner names: a box without a parent can
// open at the screen's top-left corner.
#pragma once

#include "engine/MessageBoxes.h"

#include <functional>

class QWidget;

namespace ralu {

class QtMessageBoxes : public MessageBoxes {
public:
    void show(const QString &text, Icon icon) override;
    void show(const QString &text, Icon icon, const QString &title) override;

    // The window a box belongs to when none is active; null or hidden: none.
    void setOwner(std::function<QWidget *()> owner) { m_owner = std::move(owner); }
    // The window a box opens over now.
    QWidget *parentWindow() const;

private:
    std::function<QWidget *()> m_owner;
};

} // namespace ralu

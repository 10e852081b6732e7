// Message boxes on the screen, modal over the active window.
#pragma once

#include "engine/MessageBoxes.h"

namespace ralu {

class QtMessageBoxes : public MessageBoxes {
public:
    void show(const QString &text, Icon icon) override;
    void show(const QString &text, Icon icon, const QString &title) override;
};

} // namespace ralu

// Message boxes carrying the program's title, behind an interface so that
// logic can be tested without a screen.
#pragma once

#include <QString>

namespace ralu {

inline const char *const kProgramTitle = "Ralu";

class MessageBoxes {
public:
    enum class Icon { None, Information, Exclamation, Error };
    virtual ~MessageBoxes() = default;
    // Shows text with an OK button and waits until it is closed.
    virtual void show(const QString &text, Icon icon) = 0;
    // The same under a title of its own instead of the program's. Boxes that
    // know no titles show the text and icon alone.
    virtual void show(const QString &text, Icon icon, const QString &title)
    {
        (void)title;
        show(text, icon);
    }
};

} // namespace ralu

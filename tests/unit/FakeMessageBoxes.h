// Message boxes that record what would have been shown instead of showing it.
#pragma once

#include "engine/MessageBoxes.h"

#include <QStringList>
#include <vector>

namespace ralu::testing {

class FakeMessageBoxes : public MessageBoxes {
public:
    struct Shown {
        QString text;
        Icon icon;
        QString title = QString::fromLatin1(kProgramTitle);
    };
    std::vector<Shown> shown;
    void show(const QString &text, Icon icon) override { shown.push_back({ text, icon }); }
    void show(const QString &text, Icon icon, const QString &title) override
    {
        shown.push_back({ text, icon, title });
    }
};

} // namespace ralu::testing

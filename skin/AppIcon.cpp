#include "skin/AppIcon.h"

namespace ralu::skin {

QIcon appIcon()
{
    static const int sizes[] = { 16, 22, 24, 32, 48, 64, 128, 256 };
    QIcon icon;
    for (int size : sizes)
        icon.addFile(QStringLiteral(":/icons/ralu-%1.png").arg(size), QSize(size, size));
    return icon;
}

} // namespace ralu::skin

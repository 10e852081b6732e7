#include "LayoutDump.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QComboBox>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTextEdit>
#include <QWidget>

#include <charconv>

namespace ralu::layoutdump {

QString number(float value, const QLocale &locale)
{
    // The shortest digits that read back as the same single-precision value,
    // never in exponent form.
    char digits[64];
    const std::to_chars_result end
        = std::to_chars(digits, digits + sizeof digits, value, std::chars_format::fixed);
    QString text = QString::fromLatin1(digits, static_cast<int>(end.ptr - digits));
    text.replace(QLatin1Char('.'), locale.decimalPoint());
    text.replace(QLatin1Char('-'), locale.negativeSign());
    return text;
}

QString block(const QString &name, float left, float top, float height, float width, const QLocale &locale)
{
    const QString crlf = QStringLiteral("\r\n");
    return QStringLiteral("\tWith ") + name + crlf + QStringLiteral("\t\t.Left=") + number(left, locale)
        + crlf + QStringLiteral("\t\t.Top=") + number(top, locale) + crlf + QStringLiteral("\t\t.Height=")
        + number(height, locale) + crlf + QStringLiteral("\t\t.Width=") + number(width, locale) + crlf
        + QStringLiteral("\tEnd With") + crlf;
}

bool isListed(const QObject *child)
{
    if (!child || !child->isWidgetType() || !static_cast<const QWidget *>(child)->parentWidget())
        return false;
    // Labels stand for picture boxes, labels and images alike.
    if (qobject_cast<const QLabel *>(child) || qobject_cast<const QLineEdit *>(child)
        || qobject_cast<const QPlainTextEdit *>(child) || qobject_cast<const QTextEdit *>(child)
        || qobject_cast<const QComboBox *>(child) || qobject_cast<const QAbstractItemView *>(child)
        || qobject_cast<const QAbstractButton *>(child) || qobject_cast<const QGroupBox *>(child))
        return true;
    // A bare frame is a frame, except when drawn as a line.
    if (const auto *frame = qobject_cast<const QFrame *>(child))
        return frame->frameShape() != QFrame::HLine && frame->frameShape() != QFrame::VLine;
    return false;
}

QString dump(const QWidget *window, const QLocale &locale)
{
    QString text;
    for (const QObject *child : window->children()) {
        const QString name = child->objectName();
        if (!isListed(child) || name == QLatin1String("txtPelk") || name == QLatin1String("cmdPelk"))
            continue;
        const QRect g = static_cast<const QWidget *>(child)->geometry();
        text += block(name, float(g.left()), float(g.top()), float(g.height()), float(g.width()), locale);
    }
    return text;
}

} // namespace ralu::layoutdump

#include "windows/StampDelegate.h"

#include <QApplication>
#include <QFontMetrics>
#include <QStyle>

namespace ralu {

QString StampDelegate::fitted(const QString &entry, const QFontMetrics &metrics, int width)
{
    if (metrics.horizontalAdvance(entry) <= width)
        return entry;
    const qsizetype split = entry.lastIndexOf(QLatin1String("  ["));
    if (split <= 0)
        return entry;
    const QString stamp = entry.mid(split);
    const int room = width - metrics.horizontalAdvance(stamp);
    const QString number = metrics.elidedText(entry.left(split), Qt::ElideRight, room);
    return number.isEmpty() ? entry : number + stamp;
}

void StampDelegate::paint(
    QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const
{
    QStyleOptionViewItem shown = option;
    initStyleOption(&shown, index);
    const QWidget *widget = shown.widget;
    const QStyle *style = widget ? widget->style() : QApplication::style();
    // The style keeps this margin on either side of an item's text.
    const int margin = style->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, widget) + 1;
    const int room = style->subElementRect(QStyle::SE_ItemViewItemText, &shown, widget).width() - 2 * margin;
    shown.text = fitted(shown.text, shown.fontMetrics, room);
    style->drawControl(QStyle::CE_ItemViewItem, &shown, painter, widget);
}

} // namespace ralu

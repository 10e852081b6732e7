// The call history's rows: an entry reads "number  [stamp]", and when it is
// wider than its row the number is cut, with "…", rather than the stamp, so
// the date and the AM or PM always show (the row's tip shows it whole).
#pragma once

#include <QStyledItemDelegate>

class QFontMetrics;

namespace ralu {

class StampDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    // The entry as shown in width pixels; unchanged when it fits or has no
    // stamp, or when the stamp alone is too wide (the style then cuts it).
    static QString fitted(const QString &entry, const QFontMetrics &metrics, int width);

    void paint(
        QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const override;
};

} // namespace ralu

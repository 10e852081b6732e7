#include "windows/RecentWindow.h"

#include "skin/Accessibility.h"
#include "skin/TextFit.h"
#include "windows/StampDelegate.h"

#include <QBitmap>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QStyle>

namespace ralu {

RecentWindow::RecentWindow(const QString &historyPath, const AppState &state, MessageBoxes &boxes,
    std::function<bool(const QString &)> callNumber, QWidget *parent)
    : SkinnedDialog("frmRecent", QStringLiteral("Recent"), skin::Background::Recent, parent)
    , m_list(historyPath, boxes)
    , m_callNumber(std::move(callNumber))
{
    QFont tabFont(QStringLiteral("Arial"));
    tabFont.setPointSizeF(9);
    // Each tab is a button: a click, or Space once Tab reaches it.
    auto addTab = [&](const char *caption, QRect geometry, CallKind kind) {
        auto *tab = new SkinButton(this);
        tab->setText(QString::fromLatin1(caption));
        tab->setAccessibleName(tab->text());
        tab->setObjectName(QString::fromLatin1(caption));
        tab->setGeometry(geometry);
        tab->setFont(tabFont);
        tab->setAlignment(Qt::AlignHCenter | Qt::AlignTop); // the list's top edge overlaps the tabs' bottom
        tab->setCursor(Qt::PointingHandCursor);
        connect(tab, &SkinButton::clicked, this, [this, kind] { chooseKind(kind); });
        return tab;
    };
    m_dialed = addTab("Dialed", QRect(6, 45, 59, 20), CallKind::Dialed);
    m_received = addTab("Received", QRect(80, 45, 71, 19), CallKind::Received);
    m_missed = addTab("Missed", QRect(160, 45, 55, 20), CallKind::Missed);

    m_recentList = new QListWidget(this);
    m_recentList->setObjectName(QStringLiteral("Recentlist"));
    m_recentList->setGeometry(13, 61, 203, 171);
    m_recentList->setSelectionMode(QAbstractItemView::SingleSelection);
    m_recentList->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff); // the tooltip shows long entries
    m_recentList->setItemDelegate(new StampDelegate(m_recentList));
    m_listFont = m_recentList->font();
    m_recentList->setMouseTracking(true);
    m_recentList->viewport()->setMouseTracking(true);
    m_recentList->viewport()->installEventFilter(this);
    m_recentList->installEventFilter(this); // Enter redials, as a double-click does
    connect(m_recentList, &QListWidget::itemDoubleClicked, this, [this] { redial(); });

    m_clear = addPictureButton("Picture17", QRect(72, 240, 49, 25), QStringLiteral("clear_list"));
    m_close = addPictureButton("Picture16", QRect(122, 241, 67, 23), QStringLiteral("close_window"));
    m_closeImage = addCloseImage("Image3", QRect(104, 0, 12, 14));
    connect(m_clear, &PictureButton::clicked, this, &RecentWindow::clearKind);
    connect(m_close, &PictureButton::clicked, this, &QDialog::close);

    // The billed call history link sits below the outline: placed, never seen.
    m_link = new QLabel(QStringLiteral("Website Billed Call History"), this);
    m_link->setObjectName(QStringLiteral("lbllink"));
    QFont linkFont(QStringLiteral("Times New Roman"));
    linkFont.setUnderline(true);
    m_link->setFont(linkFont);
    m_link->setAutoFillBackground(true);
    m_link->setAlignment(Qt::AlignCenter);
    m_link->setGeometry(32, 276, 166, 17);
    m_link->installEventFilter(this);
    skin::hideFromAssistiveTechnology(m_link);

    if (state.openRecentOnMissed)
        m_list.setKind(CallKind::Missed);
    colourTabs();
    m_list.load();
    fillList();
    m_recentList->setFocus(); // the keyboard starts on the entries
}

QLabel *RecentWindow::tab(CallKind kind) const
{
    switch (kind) {
    case CallKind::Dialed:
        return m_dialed;
    case CallKind::Received:
        return m_received;
    case CallKind::Missed:
        break;
    }
    return m_missed;
}

void RecentWindow::colourTabs()
{
    for (CallKind kind : kCallKinds) {
        QLabel *label = tab(kind);
        QPalette palette = label->palette();
        palette.setColor(QPalette::WindowText, kind == m_list.kind() ? QColor(255, 0, 0) : QColor(0, 0, 0));
        label->setPalette(palette);
    }
    m_recentList->setAccessibleName(tab(m_list.kind())->text());
}

void RecentWindow::fillList()
{
    m_recentList->clear();
    // Each row keeps its whole number: the text shown may be cut.
    for (qsizetype i = 0; i < m_list.items().size(); ++i) {
        auto *row = new QListWidgetItem(m_list.items().at(i), m_recentList);
        row->setData(kNumberRole, m_list.numbers().at(i));
    }
    // The entries whole where a smaller font will do, beside a scroll bar;
    // past that the delegate cuts the number, never the stamp.
    const QStyle *style = m_recentList->style();
    const int room = m_recentList->width() - 2 * m_recentList->frameWidth()
        - style->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, m_recentList)
        - 2 * (style->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, m_recentList) + 1);
    m_recentList->setFont(skin::fittingFont(m_listFont, m_list.items(), room, kSmallestListPoints));
}

void RecentWindow::chooseKind(CallKind kind)
{
    m_list.setKind(kind);
    m_list.load();
    fillList();
    colourTabs();
}

void RecentWindow::clearKind()
{
    m_list.clearKind();
    // On failure the entries are still in the file, and still listed.
    fillList();
}

void RecentWindow::linkClicked()
{
    QPalette palette = m_link->palette();
    palette.setColor(QPalette::WindowText, QColor(0, 0, 255));
    m_link->setPalette(palette);
    if (m_openBilledHistory)
        m_openBilledHistory();
}

void RecentWindow::redial()
{
    const QList<QListWidgetItem *> selected = m_recentList->selectedItems();
    if (selected.isEmpty())
        return;
    // Refused while a call is under way: the window stays open.
    if (m_callNumber && !m_callNumber(selected.first()->data(kNumberRole).toString()))
        return;
    close();
}

bool RecentWindow::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::MouseButtonRelease) {
        auto *mouse = static_cast<QMouseEvent *>(event);
        if (watched == m_link && mouse->button() == Qt::LeftButton
            && m_link->rect().contains(mouse->position().toPoint()))
            linkClicked();
    } else if (watched == m_recentList && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent *>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            redial();
            return true;
        }
    } else if (watched == m_recentList->viewport() && event->type() == QEvent::MouseMove) {
        // The selected entry, not the one under the pointer, so a long
        // entry that was picked can be read in full.
        const QList<QListWidgetItem *> selected = m_recentList->selectedItems();
        // Entries hold numbers from the network: shown as sent, never as markup.
        m_recentList->setToolTip(selected.isEmpty() ? QString()
                                                    : QStringLiteral("<p style='white-space:pre'>%1</p>")
                                                          .arg(selected.first()->text().toHtmlEscaped()));
    }
    return QDialog::eventFilter(watched, event);
}

} // namespace ralu

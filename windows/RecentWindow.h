// The call history window (frmRecent): the entries of recentcall.txt one kind
// at a time on three tabs, redial by double-click or Enter, clearing of the
// kind on view. Borderless, cut to its background picture, dragged by its
// body; created afresh for every showing and shown modally over the main
// window.
#pragma once

#include "calls/RecentList.h"
#include "engine/AppState.h"
#include "engine/MessageBoxes.h"

#include "skin/SkinnedDialog.h"

#include <QDialog>
#include <QLabel>
#include <QListWidget>
#include <functional>

namespace ralu {

class PictureButton;

class RecentWindow : public skin::SkinnedDialog {
    Q_OBJECT
public:
    // historyPath is the history file; callNumber places a call to a number,
    // false when it was refused because a call is under way
    // (Dialer::callNumber).
    RecentWindow(const QString &historyPath, const AppState &state, MessageBoxes &boxes,
        std::function<bool(const QString &)> callNumber, QWidget *parent = nullptr);

    CallKind kind() const { return m_list.kind(); }
    // The tab of a kind: "Dialed", "Received", "Missed".
    QLabel *tab(CallKind kind) const;
    QListWidget *list() const { return m_recentList; }
    PictureButton *clearButton() const { return m_clear; }
    PictureButton *closeButton() const { return m_close; }
    PictureButton *closeImage() const { return m_closeImage; }
    QLabel *billedHistoryLink() const { return m_link; }
    // What a click on the billed call history link opens.
    void setOpenBilledHistory(std::function<void()> open) { m_openBilledHistory = std::move(open); }

    // A tab was clicked: its kind, reread from the file.
    void chooseKind(CallKind kind);
    // The clear button: every entry of the kind on view leaves the file.
    void clearKind();
    // The link: blue from now on, and its page opened.
    void linkClicked();
    // Double-click or Enter: the selected entry's number into the number box, dialed;
    // then the window closes. Without a selected entry nothing happens.
    void redial();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    // Where each row keeps its whole number.
    static constexpr int kNumberRole = Qt::UserRole;

    // The list from m_list's entries, as they were last read.
    void fillList();
    void colourTabs();

    RecentList m_list;
    std::function<bool(const QString &)> m_callNumber;
    QLabel *m_dialed = nullptr;
    QLabel *m_received = nullptr;
    QLabel *m_missed = nullptr;
    QListWidget *m_recentList = nullptr;
    QFont m_listFont; // the list's own, before fitting its entries
    static constexpr qreal kSmallestListPoints = 7;
    PictureButton *m_clear = nullptr;
    PictureButton *m_close = nullptr;
    PictureButton *m_closeImage = nullptr;
    QLabel *m_link = nullptr;
    std::function<void()> m_openBilledHistory;
};

} // namespace ralu

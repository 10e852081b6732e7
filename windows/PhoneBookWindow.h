// The phone book window (frmPhoneBook): the contacts of PhoneBook.txt under
// "NEW ITEM", name and number boxes, add, save, delete and call. Borderless,
// cut to its background picture, dragged by its body; created afresh for
// every showing and shown modally over the main window. blnPhoneBookOpen is
// set from its creation until it closes.
#pragma once

#include "account/PhoneBook.h"
#include "engine/AppState.h"
#include "engine/MessageBoxes.h"

#include "skin/SkinnedDialog.h"

#include <QDialog>
#include <QLineEdit>
#include <QListWidget>
#include <functional>

namespace ralu {

class PictureButton;

class PhoneBookWindow : public skin::SkinnedDialog {
    Q_OBJECT
public:
    // folder holds PhoneBook.txt; callNumber places a call to a number, false
    // when it was refused because a call is under way (Dialer::callNumber).
    PhoneBookWindow(const QString &folder, AppState &state, MessageBoxes &boxes,
        std::function<bool(const QString &)> callNumber, QWidget *parent = nullptr);
    ~PhoneBookWindow() override;

    const PhoneBook &book() const { return m_book; }
    QListWidget *list() const { return m_list; }
    QLineEdit *nameBox() const { return m_name; }
    QLineEdit *numberBox() const { return m_number; }
    PictureButton *addButton() const { return m_add; }
    PictureButton *editButton() const { return m_edit; }
    PictureButton *deleteButton() const { return m_delete; }
    PictureButton *callButton() const { return m_call; }
    PictureButton *closeImage() const { return m_closeImage; }

    // Add mode: empty boxes, only add usable, "NEW ITEM" selected.
    void formInitialState();
    // An item was picked: its name and number into the boxes (edit mode), or
    // add mode for "NEW ITEM".
    void selectItem(int item);

    void addClicked();
    void editClicked();
    void deleteClicked();
    // Dials the number box unless a call is already being placed; the
    // window then closes.
    void callClicked();

    void done(int result) override;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void handle(PhoneBook::Outcome outcome);
    void fillList();
    // Clears blnPhoneBookOpen the first time the window closes.
    void leave();

    PhoneBook m_book;
    AppState &m_state;
    MessageBoxes &m_boxes;
    std::function<bool(const QString &)> m_callNumber;
    QListWidget *m_list = nullptr;
    QLineEdit *m_name = nullptr;
    QLineEdit *m_number = nullptr;
    PictureButton *m_add = nullptr;
    PictureButton *m_edit = nullptr;
    PictureButton *m_delete = nullptr;
    PictureButton *m_call = nullptr;
    PictureButton *m_closeImage = nullptr;
    bool m_open = false;
};

} // namespace ralu

#include "windows/PhoneBookWindow.h"

#include <QBitmap>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QValidator>

namespace ralu {

namespace {

// At most `limit` characters (code points, not UTF-16 units), and digits 0-9
// only when asked: whatever way text gets in, typed or pasted.
class BoxValidator : public QValidator {
public:
    BoxValidator(int limit, bool digitsOnly, QObject *parent)
        : QValidator(parent)
        , m_limit(limit)
        , m_digitsOnly(digitsOnly)
    {
    }
    State validate(QString &input, int &) const override
    {
        if (input.toUcs4().size() > m_limit)
            return Invalid;
        if (m_digitsOnly) {
            for (QChar c : input) {
                if (c < QLatin1Char('0') || c > QLatin1Char('9'))
                    return Invalid;
            }
        }
        return Acceptable;
    }

private:
    int m_limit;
    bool m_digitsOnly;
};

// A key that puts a character in, as opposed to moving, deleting, or
// changing the focus.
bool typesCharacter(const QKeyEvent *key)
{
    switch (key->key()) {
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
    case Qt::Key_Delete:
        return false;
    default:
        break;
    }
    if (key->modifiers() & Qt::ControlModifier)
        return key->key() >= Qt::Key_Space && key->key() <= Qt::Key_AsciiTilde; // Ctrl+V, Ctrl+C...
    return !key->text().isEmpty();
}

} // namespace

PhoneBookWindow::PhoneBookWindow(const QString &folder, AppState &state, MessageBoxes &boxes,
    std::function<bool(const QString &)> callNumber, QWidget *parent)
    : SkinnedDialog("frmPhoneBook", QStringLiteral("Phone Book"), skin::Background::PhoneBook, parent)
    , m_book(folder, boxes)
    , m_state(state)
    , m_boxes(boxes)
    , m_callNumber(std::move(callNumber))
{
    m_state.blnPhoneBookOpen = true;
    m_open = true;
    m_list = new QListWidget(this);
    m_list->setObjectName(QStringLiteral("lstPhoneBook"));
    m_list->setGeometry(15, 56, 201, 100);
    QFont listFont(QStringLiteral("Courier New"));
    listFont.setStyleHint(QFont::TypeWriter);
    listFont.setPointSizeF(8.25);
    m_list->setFont(listFont);
    QPalette listPalette = m_list->palette();
    listPalette.setColor(QPalette::Base, QColor(153, 199, 229));
    listPalette.setColor(QPalette::Text, Qt::black);
    m_list->setPalette(listPalette);
    m_list->setSelectionMode(QAbstractItemView::SingleSelection);
    m_list->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    connect(m_list, &QListWidget::currentRowChanged, this, &PhoneBookWindow::selectItem);
    connect(m_list, &QListWidget::itemClicked, this,
        [this](QListWidgetItem *item) { selectItem(m_list->row(item)); });

    QFont labelFont(QStringLiteral("Verdana"));
    labelFont.setPointSizeF(8.25);
    m_list->setAccessibleName(windowTitle());
    m_name = addTextBox("txtName", QRect(80, 160, 129, 19));
    m_name->setValidator(new BoxValidator(PhoneBook::kNameLimit, false, m_name));
    m_number = addTextBox("txtPhoneNo", QRect(80, 192, 129, 19));
    addCaption(QStringLiteral("Name"), QRect(16, 160, 41, 17), labelFont, m_name);
    addCaption(QStringLiteral("Phone No."), QRect(16, 192, 81, 17), labelFont, m_number);
    m_number->setValidator(new BoxValidator(PhoneBook::kNumberLimit, true, m_number));
    m_number->installEventFilter(this);

    m_add = addPictureButton("cmdAdd", QRect(40, 232, 64, 24), QStringLiteral("add"));
    m_edit = addPictureButton("cmdEdit", QRect(128, 232, 64, 24), QStringLiteral("save"));
    m_delete = addPictureButton("cmdDelete", QRect(40, 256, 64, 24), QStringLiteral("delete"));
    m_call = addPictureButton("cmdCall", QRect(128, 256, 64, 24), QStringLiteral("dial"));
    m_closeImage = addCloseImage("Image1", QRect(104, 0, 12, 14));
    connect(m_add, &PictureButton::clicked, this, &PhoneBookWindow::addClicked);
    connect(m_edit, &PictureButton::clicked, this, &PhoneBookWindow::editClicked);
    connect(m_delete, &PictureButton::clicked, this, &PhoneBookWindow::deleteClicked);
    connect(m_call, &PictureButton::clicked, this, &PhoneBookWindow::callClicked);
    const QList<QWidget *> order { m_list, m_name, m_number, m_add, m_edit, m_delete, m_call, m_closeImage };
    for (qsizetype i = 1; i < order.size(); ++i)
        setTabOrder(order.at(i - 1), order.at(i));

    m_book.load();
    fillList();
    formInitialState();
}

PhoneBookWindow::~PhoneBookWindow()
{
    leave(); // destroyed without having been closed
}

void PhoneBookWindow::done(int result)
{
    leave();
    QDialog::done(result);
}

void PhoneBookWindow::leave()
{
    if (m_open)
        m_state.blnPhoneBookOpen = false;
    m_open = false;
}

void PhoneBookWindow::fillList()
{
    const QSignalBlocker quiet(m_list);
    m_list->clear();
    m_list->addItems(m_book.items());
}

void PhoneBookWindow::formInitialState()
{
    m_name->clear();
    m_number->clear();
    m_edit->setEnabled(false);
    m_delete->setEnabled(false);
    m_call->setEnabled(false);
    m_add->setEnabled(true);
    const QSignalBlocker quiet(m_list);
    m_list->setCurrentRow(0);
}

void PhoneBookWindow::selectItem(int item)
{
    if (item <= 0 || item >= m_list->count()) {
        formInitialState();
        return;
    }
    // From the stored line, not the listed one: a list cuts long lines, and a
    // save of the cut text would lose the rest of the contact.
    const PhoneBook::Contact contact = PhoneBook::split(m_book.lines().value(item - 1));
    m_name->setText(contact.name);
    m_number->setText(contact.number);
    m_add->setEnabled(false);
    m_edit->setEnabled(true);
    m_delete->setEnabled(true);
    m_call->setEnabled(true);
}

void PhoneBookWindow::handle(PhoneBook::Outcome outcome)
{
    switch (outcome) {
    case PhoneBook::Outcome::Saved:
        fillList();
        formInitialState();
        break;
    case PhoneBook::Outcome::NameMissing:
        m_name->setFocus();
        break;
    case PhoneBook::Outcome::NumberMissing:
        m_number->setFocus();
        break;
    case PhoneBook::Outcome::Refused:
    case PhoneBook::Outcome::NotSaved:
        break; // list, boxes and file as they were
    }
}

void PhoneBookWindow::addClicked()
{
    handle(m_book.add(m_name->text(), m_number->text()));
}

void PhoneBookWindow::editClicked()
{
    handle(m_book.edit(m_list->currentRow(), m_name->text(), m_number->text()));
}

void PhoneBookWindow::deleteClicked()
{
    handle(m_book.remove(m_list->currentRow()));
}

void PhoneBookWindow::callClicked()
{
    // Refused while a call is under way: the window stays open.
    if (m_callNumber && !m_callNumber(m_number->text()))
        return;
    close();
}

bool PhoneBookWindow::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_number && event->type() == QEvent::KeyPress) {
        auto *key = static_cast<QKeyEvent *>(event);
        const QString text = key->text();
        const bool digit = text.size() == 1 && text.at(0) >= QLatin1Char('0')
            && text.at(0) <= QLatin1Char('9') && !(key->modifiers() & Qt::ControlModifier);
        if (key->key() != Qt::Key_Backspace && !digit && typesCharacter(key)) {
            m_boxes.show(QStringLiteral("Numbers 0 to 9 only, please!"), MessageBoxes::Icon::Exclamation,
                QStringLiteral("Input Error"));
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

} // namespace ralu

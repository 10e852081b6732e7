// Form1, the layout dump window: the login window's controls, plus the
// button cmdPelk ("Command1") that appends the dump of every other control
// to the text box txtPelk. A development aid; nothing in Ralu opens it.
#pragma once

#include <QLocale>
#include <QWidget>

class QPlainTextEdit;
class QPushButton;

namespace ralu {

class Form1 : public QWidget {
    Q_OBJECT
public:
    // locale gives the decimal separator (the user's by default).
    explicit Form1(const QLocale &locale = QLocale(), QWidget *parent = nullptr);

    QPushButton *dumpButton() const { return m_button; }
    // The text box's text, lines ended by CR LF.
    QString text() const;

    // cmdPelk's click: the dump appended to the text already in the box.
    void appendDump();

private:
    QLocale m_locale;
    QPushButton *m_button = nullptr;
    QPlainTextEdit *m_box = nullptr;
};

} // namespace ralu

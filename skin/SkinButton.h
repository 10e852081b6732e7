// A label that works as a button, the way the skinned windows' controls do:
// a left click inside emits clicked. It is a real button for the keyboard and
// for assistive technology too: Tab reaches it (a ring shows the focus), Space
// presses it, and a screen reader finds a push button named by its accessible
// name with a press action (skin/Accessibility.h). PictureButton adds the
// pictures; a caption alone (a tab of the call history) is one as it is.
#pragma once

#include <QKeySequence>
#include <QLabel>

#include <optional>

class QShortcut;

namespace ralu {

class SkinButton : public QLabel {
    Q_OBJECT
public:
    explicit SkinButton(QWidget *parent = nullptr);

    // Shows the button pressed or released (Space held shows it pressed);
    // a caption alone looks the same either way.
    virtual void showPressed(bool pressed);

    // Clicks the enabled button, as Space, a shortcut or a screen reader's
    // press action do.
    void click();
    // Keys that click the button while its window is active.
    void setShortcut(const QKeySequence &keys);
    QKeySequence shortcut() const;
    // A button that stands for a level (a slider's knob), 0 to 100: it is
    // then a slider to assistive technology, and Space does not press it.
    void setLevel(int percent);
    std::optional<int> level() const { return m_level; }

signals:
    void clicked();
    // Assistive technology asks for another level (a slider's new value).
    void levelAsked(int percent);

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void keyReleaseEvent(QKeyEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;
    void paintEvent(QPaintEvent *event) override;

private:
    void releaseKey();

    QShortcut *m_shortcut = nullptr;
    std::optional<int> m_level;
    bool m_spaceDown = false;
};

} // namespace ralu

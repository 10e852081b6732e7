// The main window's skin: its elements made from the layout table and placed
// by it, their pictures from the image holders, the press and hover picture
// swaps, a light look on the visible buttons under the pointer, the tips,
// and what the keyboard and assistive technology reach: the buttons' names
// and their Tab order; decorations and whatever lies outside the outline are
// left out.
#pragma once

#include "skin/HoverPicture.h"
#include "windows/MainControls.h"

#include <array>
#include <memory>

class QLineEdit;
class QWidget;

namespace ralu::skin {
class Tooltip;
}

namespace ralu {

class MainSkin {
public:
    // Makes every element of the table as a child of window and places it.
    explicit MainSkin(QWidget *window);

    // Puts every element where the layout table says (each load of the window).
    void applyLayout();
    // Creates the window's tip object and adds its tools in their order.
    void addTooltips();

    QWidget *control(MainControl key) const { return m_controls[static_cast<std::size_t>(key)]; }
    QLineEdit *numberBox() const { return m_number; }
    skin::Tooltip *tooltip() const { return m_tooltip; }
    const skin::HoverGroup &hoverGroup() const { return *m_hover; }

private:
    void createControls();
    void setPictures();
    void describeForAssistiveTechnology();

    QWidget *m_window;
    std::array<QWidget *, kMainControlCount> m_controls {};
    QLineEdit *m_number = nullptr;
    skin::Tooltip *m_tooltip = nullptr;
    std::shared_ptr<skin::HoverGroup> m_hover = std::make_shared<skin::HoverGroup>();
};

} // namespace ralu

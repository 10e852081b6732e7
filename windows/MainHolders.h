// The main window's image holders: which holder's picture each button shows
// while pressed and once released, and which each hover element shows while
// the pointer is over it and after it leaves.
#pragma once

#include "windows/MainControls.h"

namespace ralu {

struct PressHolders {
    MainControl button;
    const char *pressed, *released;
    bool pressInside; // the press changes the picture only when its point lies inside the key
};

struct HoverHolders {
    MainControl element;
    const char *hovered, *normal; // both null: the element keeps its picture
};

// clang-format off
namespace holders_table {
using C = MainControl;

inline constexpr PressHolders kPressHolders[] = {
    {C::Small18, "offImage7", "onImage21", false},
    {C::Small19, "offImage14", "onImage22", false},
    {C::Small23, "offImage15", "onImage23", false},
    {C::AudioSetupButton, "offImage16", "onImage24", false},
    {C::Small28, "offImage17", "onImage3", false},
    {C::Small29, "offImage18", "onImage26", false},
    {C::Small33, "offImage19", "onImage27", false},
    {C::AccountButton, "offImage20", "onImage28", false},
    {C::Small39, "offImage29", "onImage34", false},
    {C::Small42, "offImage30", "onImage35", false},
    {C::Small43, "offImage31", "onImage36", false},
    {C::Small44, "offImage33", "onImage38", false},
    {C::Small45, "offImage32", "onImage37", false},
    {C::WebButton, "offImage4", "oonImage3", false},
    {C::DialButton, "onPC", "offPC", false},
    {C::EndButton, "onCB", "offCB", false},
    {C::ClearButton, "offBack", "onBack", false},
    {C::Key1, "b1", "a1", true},
    {C::Key2, "on2", "off2", true},
    {C::Key3, "on3", "off3", true},
    {C::Key4, "on4", "off4", true},
    {C::Key5, "on5", "off5", false},
    {C::Key6, "on6", "off6", false},
    {C::Key7, "on7", "off7", false},
    {C::Key8, "on8", "off8", false},
    {C::Key9, "on9", "off9", false},
    {C::KeyStar, "ony", "offy", false},
    {C::Key0, "on0", "off0", false},
    {C::KeyPound, "onHash", "offHash", false},
};

inline constexpr HoverHolders kHoverHolders[] = {
    {C::LoginButton, "onAdo", "offAdo"},
    {C::BackspaceButton, "onDel", "offDel"},
    {C::HiddenPhoneBookButton, "onPB", "offPB"},
    {C::SkinHolder, "on7", "off7"},
    {C::HiddenAudioButton, nullptr, nullptr},
};
} // namespace holders_table
using holders_table::kHoverHolders;
using holders_table::kPressHolders;
// clang-format on

} // namespace ralu

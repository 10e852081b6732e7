// Every element of the main window, by a typed key, with where it sits in
// pixels of the 231 x 346 client area and how it looks. The design's names
// stay as the widgets' object names. Elements at or beyond column 231 or
// row 346 lie outside the window's outline: they exist but can never be seen
// or clicked.
#pragma once

#include "skin/SkinPictures.h"

#include <cstddef>

namespace ralu {

enum class MainControl {
    Background,
    NumberBox,
    // Labels.
    StatusLabel,
    BalanceLabel,
    CallTimeLabel,
    AccountTimeLabel,
    AccountLabel,
    Label1,
    Label2,
    // Pictures without a click.
    SpeakerSlider,
    MicSlider,
    MissedFrame,
    Logo,
    Dot,
    // Buttons.
    DialButton,
    EndButton,
    ClearButton,
    CloseButton,
    HideButton,
    Key1,
    Key2,
    Key3,
    Key4,
    Key5,
    Key6,
    Key7,
    Key8,
    Key9,
    KeyStar,
    Key0,
    KeyPound,
    HistoryButton,
    PhoneBookButton,
    TransferButton,
    HoldButton,
    ForwardButton,
    DndButton,
    AudioSetupButton,
    AccountButton,
    WebButton,
    MissedCallsButton,
    LoginButton,
    LoginButton2,
    HiddenHistoryButton,
    HiddenPhoneBookButton,
    HiddenAudioButton,
    BackspaceButton,
    SkinHolder,
    SpeakerIcon,
    MicIcon,
    Small18,
    Small19,
    Small23,
    Small28,
    Small29,
    Small33,
    Small39,
    Small42,
    Small43,
    Small44,
    Small45,
    Count
};

enum class ControlKind { Background, NumberBox, Label, Picture, Button };

struct ControlSpec {
    MainControl key;
    const char *name; // the design's name: the widget's object name
    ControlKind kind;
    int left, top, width, height;
    const char *face = ""; // its picture, a button face or a picture name (SkinPictures.h)
    const char *tooltip = nullptr;
};

inline constexpr int kMainWidth = 231;
inline constexpr int kMainHeight = 346;

// One row per control reads best as a table.
// clang-format off
namespace controls_table {
using K = ControlKind;
using C = MainControl;

inline constexpr ControlSpec kMainControls[] = {
    {C::Background, "Picture1", K::Background, 0, 0, 231, 346},
    {C::NumberBox, "cmbPhoneNo", K::NumberBox, 16, 88, 196, 23, "", "Include International Country Code"},
    {C::StatusLabel, "lblMsg", K::Label, 18, 18, 156, 16},
    {C::BalanceLabel, "lblBalance", K::Label, 16, 40, 179, 18},
    {C::CallTimeLabel, "timeMsg", K::Label, 96, 18, 69, 18},
    {C::AccountTimeLabel, "timeMsg1", K::Label, 16, 64, 177, 17},
    {C::AccountLabel, "lblPin", K::Label, 268, 48, 159, 15},
    {C::Label1, "Label1", K::Label, 280, 192, 39, 9},
    {C::Label2, "Label2", K::Label, 256, 208, 33, 9},
    {C::SpeakerSlider, "lbspeaker", K::Picture, 166, 176, 18, 98, "track_speaker"},
    {C::MicSlider, "lbmic", K::Picture, 48, 176, 18, 97, "track_mic"},
    {C::MissedFrame, "shpMissed", K::Picture, 352, 80, 31, 32}, // sits with its indicator
    {C::Logo, "Picture4", K::Picture, 314, 2, 126, 33},
    {C::Dot, "Picture38", K::Picture, 24, 16, 1, 1},
    {C::DialButton, "Picture6", K::Button, 60, 137, 38, 36, "call", "Click to Make Call"},
    {C::EndButton, "Picture8", K::Button, 135, 137, 38, 36, "end", "Click to End Call"},
    {C::ClearButton, "Picture17", K::Button, 100, 136, 33, 37, "clear", "Clear Current Number"},
    {C::CloseButton, "Picture40", K::Button, 112, 5, 12, 14, "close", "Close and Exit Application"},
    {C::HideButton, "Picture41", K::Button, 248, 56, 12, 14, "hide", "Hide Application to System Tray"},
    {C::Key1, "Picture20", K::Button, 66, 179, 31, 25, "key_1"},
    {C::Key2, "Picture21", K::Button, 100, 179, 31, 25, "key_2"},
    {C::Key3, "Picture22", K::Button, 134, 179, 31, 25, "key_3"},
    {C::Key4, "Picture25", K::Button, 66, 205, 31, 25, "key_4"},
    {C::Key5, "Picture26", K::Button, 100, 205, 31, 25, "key_5"},
    {C::Key6, "Picture27", K::Button, 134, 205, 31, 25, "key_6"},
    {C::Key7, "Picture46", K::Button, 66, 232, 31, 25, "key_7"},
    {C::Key8, "Picture31", K::Button, 100, 232, 31, 25, "key_8"},
    {C::Key9, "Picture32", K::Button, 134, 232, 31, 25, "key_9"},
    {C::KeyStar, "Picture35", K::Button, 66, 258, 31, 25, "key_star"},
    {C::Key0, "Picture36", K::Button, 100, 258, 31, 25, "key_0"},
    {C::KeyPound, "Picture37", K::Button, 134, 258, 31, 25, "key_hash"},
    {C::HistoryButton, "Picture3", K::Button, 188, 310, 34, 31, "history", "Call History"},
    {C::PhoneBookButton, "Picture5", K::Button, 151, 310, 34, 31, "phonebook", "Phone Book"},
    {C::TransferButton, "Picture10", K::Button, 115, 309, 34, 31, "transfer", "Transfer"},
    {C::HoldButton, "Picture12", K::Button, 80, 309, 34, 31, "hold", "Hold"},
    {C::ForwardButton, "Picture14", K::Button, 44, 309, 34, 31, "forward", "Forward "},
    {C::DndButton, "Picture15", K::Button, 8, 309, 34, 31, "dnd", "Do not disturb"},
    {C::AudioSetupButton, "Picture24", K::Button, 1, 245, 43, 13, "audio"},
    {C::AccountButton, "Picture34", K::Button, 1, 262, 43, 12, "account"},
    {C::WebButton, "Picture47", K::Button, 186, 215, 40, 32, "signup"},
    {C::MissedCallsButton, "MissedCalls", K::Button, 352, 80, 31, 32},
    {C::LoginButton, "Picture2", K::Button, 304, 112, 73, 32, "server", "Login Server"},
    {C::LoginButton2, "Picture16", K::Button, 128, 360, 49, 29},
    {C::HiddenHistoryButton, "Picture9", K::Button, 16, 368, 47, 28, "", "Call History"},
    {C::HiddenPhoneBookButton, "Picture11", K::Button, 280, 134, 56, 13, "book_small", "SoftPhone Book"},
    {C::HiddenAudioButton, "Picture13", K::Button, 80, 368, 49, 29, "", "Audio Wizard"},
    {C::BackspaceButton, "Picture7", K::Button, 296, 232, 89, 24, "delete_digit", "Clear Number One By One"},
    {C::SkinHolder, "Picture30", K::Button, 240, 352, 231, 346},
    {C::SpeakerIcon, "picspeaker", K::Button, 166, 232, 17, 14, "knob"},
    {C::MicIcon, "picMic", K::Button, 48, 224, 17, 14, "knob"},
    {C::Small18, "Picture18", K::Button, 8, 147, 32, 12, "photo"},
    {C::Small19, "Picture19", K::Button, 8, 163, 32, 12, "video"},
    {C::Small23, "Picture23", K::Button, 8, 179, 32, 12, "number"},
    {C::Small28, "Picture28", K::Button, 8, 212, 32, 12, "number"},
    {C::Small29, "Picture29", K::Button, 8, 230, 32, 12, "tv"},
    {C::Small33, "Picture33", K::Button, 6, 196, 32, 12, "radio"},
    {C::Small39, "Picture39", K::Button, 192, 136, 32, 12, "number"},
    {C::Small42, "Picture42", K::Button, 192, 153, 32, 12, "number"},
    {C::Small43, "Picture43", K::Button, 192, 169, 32, 12, "number"},
    {C::Small44, "Picture44", K::Button, 190, 262, 32, 12, "vmail"},
    {C::Small45, "Picture45", K::Button, 192, 246, 32, 12, "info"},
};
} // namespace controls_table
using controls_table::kMainControls;
// clang-format on

inline constexpr std::size_t kMainControlCount = static_cast<std::size_t>(MainControl::Count);
static_assert(sizeof(kMainControls) / sizeof(kMainControls[0]) == kMainControlCount,
    "every main window control has exactly one row");

// Rows in key order, so a key indexes its own row.
constexpr bool controlsInKeyOrder()
{
    for (std::size_t i = 0; i < kMainControlCount; ++i)
        if (static_cast<std::size_t>(kMainControls[i].key) != i)
            return false;
    return true;
}
static_assert(controlsInKeyOrder(), "kMainControls rows follow MainControl's order");

inline const ControlSpec &specOf(MainControl key)
{
    return kMainControls[static_cast<std::size_t>(key)];
}

} // namespace ralu

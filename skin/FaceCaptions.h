// The words on the button faces: the skin picture generator draws them, and a
// button's accessible name is read from them. Faces drawn with an icon alone
// (close, hide, the level knob) have none.
#pragma once

#include <cstring>

namespace ralu::skin {

struct FaceCaption {
    const char *face;
    const char *caption;
};

// clang-format off
inline constexpr FaceCaption kFaceCaptions[] = {
    {"key_1", "1"}, {"key_2", "2"}, {"key_3", "3"}, {"key_4", "4"}, {"key_5", "5"}, {"key_6", "6"},
    {"key_7", "7"}, {"key_8", "8"}, {"key_9", "9"}, {"key_0", "0"}, {"key_star", "*"}, {"key_hash", "#"},
    {"call", "Call"}, {"end", "End"}, {"clear", "Clear"},
    {"dnd", "DND"}, {"forward", "Fwd"}, {"hold", "Hold"}, {"transfer", "Xfer"}, {"phonebook", "Book"},
    {"history", "History"}, {"signup", "Sign up"},
    {"photo", "Photo"}, {"video", "Video"}, {"radio", "Radio"}, {"tv", "TV"}, {"vmail", "Vmail"},
    {"info", "Info"}, {"number", "123"}, {"audio", "Audio"}, {"account", "Login"},
    {"server", "Server"}, {"delete_digit", "Delete"}, {"book_small", "Book"},
    {"login", "Login"}, {"exit", "Exit"}, {"add", "Add"}, {"save", "Save"}, {"delete", "Delete"},
    {"dial", "Call"}, {"clear_list", "Clear"}, {"close_window", "Close"}, {"close_dialog", "Close"},
    {"test_tone", "Test tone"},
};
// clang-format on

// The caption of a face; empty for a face without words or an unknown one.
inline const char *faceCaption(const char *face)
{
    for (const FaceCaption &entry : kFaceCaptions)
        if (std::strcmp(entry.face, face) == 0)
            return entry.caption;
    return "";
}

} // namespace ralu::skin

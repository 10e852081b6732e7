// Where every element of the main window sits, in pixels of its 231 x 346
// client area. Elements at or beyond column 231 or row 346 lie outside the
// window's outline: they exist but can never be seen or clicked.
#pragma once

namespace ralu::skin {

struct Placement {
    const char *name;
    int left, top, width, height;
};

inline constexpr int kMainWidth = 231;
inline constexpr int kMainHeight = 346;

inline constexpr Placement kMainLayout[] = {
    {"Picture1", 0, 0, 231, 346},     {"Picture2", 304, 112, 73, 32},   {"Picture3", 188, 310, 34, 31},
    {"Picture5", 151, 310, 34, 31},   {"cmbPhoneNo", 16, 88, 196, 23},  {"Picture9", 16, 368, 47, 28},
    {"picspeaker", 166, 232, 17, 14}, {"picMic", 48, 224, 17, 14},      {"Picture37", 134, 258, 31, 25},
    {"Picture36", 100, 258, 31, 25},  {"Picture35", 66, 258, 31, 25},   {"Picture32", 134, 232, 31, 25},
    {"Picture30", 240, 352, 231, 346}, {"Picture27", 134, 205, 31, 25}, {"Picture26", 100, 205, 31, 25},
    {"Picture25", 66, 205, 31, 25},   {"Picture22", 134, 179, 31, 25},  {"Picture21", 100, 179, 31, 25},
    {"Picture20", 66, 179, 31, 25},   {"Picture17", 100, 136, 33, 37},  {"Picture16", 128, 360, 49, 29},
    {"Picture13", 80, 368, 49, 29},   {"Picture11", 280, 134, 56, 13},  {"Picture8", 135, 137, 38, 36},
    {"Picture6", 60, 137, 38, 36},    {"Picture41", 248, 56, 12, 14},   {"Picture40", 112, 5, 12, 14},
    {"Picture4", 314, 2, 126, 33},    {"Picture7", 296, 232, 89, 24},   {"Picture10", 115, 309, 34, 31},
    {"Picture12", 80, 309, 34, 31},   {"Picture14", 44, 309, 34, 31},   {"Picture15", 8, 309, 34, 31},
    {"Picture18", 8, 147, 32, 12},    {"Picture19", 8, 163, 32, 12},    {"Picture23", 8, 179, 32, 12},
    {"Picture24", 1, 245, 43, 13},    {"Picture28", 8, 212, 32, 12},    {"Picture29", 8, 230, 32, 12},
    {"Picture33", 6, 196, 32, 12},    {"Picture34", 1, 262, 43, 12},    {"Picture38", 24, 16, 1, 1},
    {"Picture39", 192, 136, 32, 12},  {"Picture42", 192, 153, 32, 12},  {"Picture43", 192, 169, 32, 12},
    {"Picture44", 190, 262, 32, 12},  {"Picture45", 192, 246, 32, 12},  {"Picture46", 66, 232, 31, 25},
    {"Picture31", 100, 232, 31, 25},  {"Picture47", 186, 215, 40, 32},  {"lblBalance", 16, 40, 179, 18},
    {"lblMsg", 18, 18, 156, 16},      {"timeMsg", 96, 18, 69, 18},      {"lblPin", 268, 48, 159, 15},
    {"MissedCalls", 352, 80, 31, 32}, {"lbspeaker", 166, 176, 18, 98},  {"lbmic", 48, 176, 18, 97},
    {"Label1", 280, 192, 39, 9},      {"Label2", 256, 208, 33, 9},      {"timeMsg1", 16, 64, 177, 17},
    {"shpMissed", 352, 80, 31, 32}, // the missed-call frame sits with its indicator
};

} // namespace ralu::skin

// Key names by virtual-key code, eight codes a line; n marks a code without a
// name. "Plus" and "Minus" each name two keys (keypad and main keyboard).

#include "input/input_state.h"

namespace {
constexpr const char* n = nullptr;
}  // namespace

// clang-format off
const char* const keyNamesUp[keyCount] = {
    /* 00 */ n, n, n, n, n, n, n, n,
    /* 08 */ "Backsp", "Tab", n, n, n, "Enter", n, n,
    /* 10 */ "Shift", "Ctrl", "Alt", "Break", n, n, n, n,
    /* 18 */ n, n, n, "Esc", n, n, n, n,
    /* 20 */ "Space", "PageUp", "PageDown", "End", "Home", "CL", "CU", "CR",
    /* 28 */ "CD", n, n, n, n, "Ins", "Del", n,
    /* 30 */ "N0", "N1", "N2", "N3", "N4", "N5", "N6", "N7",
    /* 38 */ "N8", "N9", n, n, n, n, n, n,
    /* 40 */ n, "A", "B", "C", "D", "E", "F", "G",
    /* 48 */ "H", "I", "J", "K", "L", "M", "N", "O",
    /* 50 */ "P", "Q", "R", "S", "T", "U", "V", "W",
    /* 58 */ "X", "Y", "Z", n, n, n, n, n,
    /* 60 */ n, n, n, n, n, n, n, n,
    /* 68 */ n, n, n, "Plus", n, "Minus", n, n,
    /* 70 */ "F1", "F2", "F3", "F4", "F5", "F6", "F7", "F8",
    /* 78 */ "F9", "F10", "F11", "F12", n, n, n, n,
    /* 80 */ n, n, n, n, n, n, n, n,
    /* 88 */ n, n, n, n, n, n, n, n,
    /* 90 */ n, n, n, n, n, n, n, n,
    /* 98 */ n, n, n, n, n, n, n, n,
    /* A0 */ n, n, n, n, n, n, n, n,
    /* A8 */ n, n, n, n, n, n, n, n,
    /* B0 */ n, n, n, n, n, n, n, n,
    /* B8 */ n, n, "Colon", "Plus", "LCorner", "Minus", "RCorner", "Slash",
    /* C0 */ n, n, n, n, n, n, n, n,
    /* C8 */ n, n, n, n, n, n, n, n,
    /* D0 */ n, n, n, n, n, n, n, n,
    /* D8 */ n, n, n, "LBracket", "BSlash", "RBracket", "Quote", n,
    /* E0 */ n, n, n, n, n, n, n, n,
    /* E8 */ n, n, n, n, n, n, n, n,
    /* F0 */ n, n, n, n, n, n, n, n,
    /* F8 */ n, n, n, n, n, n, n, n,
};

const char* const keyNamesDown[keyCount] = {
    /* 00 */ n, n, n, n, n, n, n, n,
    /* 08 */ "backsp", "tab", n, n, n, "enter", n, n,
    /* 10 */ "shift", "ctrl", "alt", "break", n, n, n, n,
    /* 18 */ n, n, n, "esc", n, n, n, n,
    /* 20 */ "space", "pageup", "pagedown", "end", "home", "cl", "cu", "cr",
    /* 28 */ "cd", n, n, n, n, "ins", "del", n,
    /* 30 */ "n0", "n1", "n2", "n3", "n4", "n5", "n6", "n7",
    /* 38 */ "n8", "n9", n, n, n, n, n, n,
    /* 40 */ n, "a", "b", "c", "d", "e", "f", "g",
    /* 48 */ "h", "i", "j", "k", "l", "m", "n", "o",
    /* 50 */ "p", "q", "r", "s", "t", "u", "v", "w",
    /* 58 */ "x", "y", "z", n, n, n, n, n,
    /* 60 */ n, n, n, n, n, n, n, n,
    /* 68 */ n, n, n, "plus", n, "minus", n, n,
    /* 70 */ "f1", "f2", "f3", "f4", "f5", "f6", "f7", "f8",
    /* 78 */ "f9", "f10", "f11", "f12", n, n, n, n,
    /* 80 */ n, n, n, n, n, n, n, n,
    /* 88 */ n, n, n, n, n, n, n, n,
    /* 90 */ n, n, n, n, n, n, n, n,
    /* 98 */ n, n, n, n, n, n, n, n,
    /* A0 */ n, n, n, n, n, n, n, n,
    /* A8 */ n, n, n, n, n, n, n, n,
    /* B0 */ n, n, n, n, n, n, n, n,
    /* B8 */ n, n, "colon", "plus", "lcorner", "minus", "rcorner", "slash",
    /* C0 */ n, n, n, n, n, n, n, n,
    /* C8 */ n, n, n, n, n, n, n, n,
    /* D0 */ n, n, n, n, n, n, n, n,
    /* D8 */ n, n, n, "lbracket", "bslash", "rbracket", "quote", n,
    /* E0 */ n, n, n, n, n, n, n, n,
    /* E8 */ n, n, n, n, n, n, n, n,
    /* F0 */ n, n, n, n, n, n, n, n,
    /* F8 */ n, n, n, n, n, n, n, n,
};
// clang-format on

// Identifiers and bit patterns (window styles, plug-in ids) compared as
// numbers and printed by GoogleTest both ways: "1342242819 (0x50010003)".
#pragma once

#include <stdio.h>

#include <ostream>

struct Hex {
    unsigned long long value;
};

inline bool operator==(Hex a, Hex b) { return a.value == b.value; }

inline void PrintTo(Hex h, std::ostream *os)
{
    char text[48];
    snprintf(text, sizeof text, "%llu (0x%llX)", h.value, h.value);
    *os << text;
}

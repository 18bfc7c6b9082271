// Text between Windows' UTF-16 and bytes: UTF-8 unless a code page is named
// (the ANSI one, CP_ACP; Shift-JIS, 932). For what the stand-in host and the
// Wine tests print, and for the paths and texts they hand to Windows.
#pragma once

#include <windows.h>

#include <string>

// A UTF-16 unit takes at most 3 bytes in UTF-8 (a pair of them 4), at most 2
// in the ANSI code pages; a byte makes at most one unit.
inline std::string Narrow(const std::wstring &text, UINT codePage = CP_UTF8)
{
    const int size = static_cast<int>(text.size());
    std::string out(3 * text.size(), '\0');
    const int bytes = WideCharToMultiByte(codePage, 0, text.data(), size, &out[0], 3 * size, 0, 0);
    out.resize(bytes);
    return out;
}

inline std::wstring Widen(const std::string &text, UINT codePage = CP_UTF8)
{
    const int size = static_cast<int>(text.size());
    std::wstring out(text.size(), L'\0');
    const int units = MultiByteToWideChar(codePage, 0, text.data(), size, &out[0], size);
    out.resize(units);
    return out;
}

inline std::string Utf8(const std::wstring &text) { return Narrow(text); }

// Text between Windows' UTF-16 and bytes: UTF-8 unless a code page is named
// (the ANSI one, CP_ACP; Shift-JIS, 932). For what the stand-in host and the
// Wine tests print, and for the paths and texts they hand to Windows.
#pragma once

#include <windows.h>

#include <string>

inline std::string Narrow(const std::wstring &text, UINT codePage = CP_UTF8)
{
    const int size = static_cast<int>(text.size());
    const int bytes = WideCharToMultiByte(codePage, 0, text.data(), size, nullptr, 0, 0, 0);
    std::string out(bytes, '\0');
    WideCharToMultiByte(codePage, 0, text.data(), size, &out[0], bytes, 0, 0);
    return out;
}

inline std::wstring Widen(const std::string &text, UINT codePage = CP_UTF8)
{
    const int size = static_cast<int>(text.size());
    const int units = MultiByteToWideChar(codePage, 0, text.data(), size, nullptr, 0);
    std::wstring out(units, L'\0');
    MultiByteToWideChar(codePage, 0, text.data(), size, &out[0], units);
    return out;
}

inline std::string Utf8(const std::wstring &text) { return Narrow(text); }

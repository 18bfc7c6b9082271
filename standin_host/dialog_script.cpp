#include "standin_host/dialog_script.h"

#include <errno.h>
#include <math.h>
#include <stdio.h>
#include <string.h>

#include <charconv>

#include "dialog/resource_ids.h"
#include "numbers/number_text.h"

// The window as the screen shows it, frame included, as a 24-bit BMP file.
static bool SaveBitmap(HWND window, const char *path)
{
    RedrawWindow(window, nullptr, nullptr,
                 RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN | RDW_UPDATENOW);
    RECT r;
    GetWindowRect(window, &r);
    const int w = r.right - r.left, h = r.bottom - r.top;
    HDC source = GetWindowDC(window);
    HDC memory = CreateCompatibleDC(source);
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = w;
    info.bmiHeader.biHeight = h;  // bottom-up, as BMP files store rows
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 24;
    info.bmiHeader.biCompression = BI_RGB;
    void *bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(memory, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ old = SelectObject(memory, bitmap);
    BitBlt(memory, 0, 0, w, h, source, 0, 0, SRCCOPY);
    GdiFlush();
    const DWORD stride = ((w * 3 + 3) / 4) * 4;
    BITMAPFILEHEADER file = {};
    file.bfType = 0x4D42;  // "BM"
    file.bfOffBits = sizeof file + sizeof info.bmiHeader;
    file.bfSize = file.bfOffBits + stride * h;
    FILE *out = fopen(path, "wb");
    bool ok = out != nullptr;
    if (out) {
        ok = fwrite(&file, sizeof file, 1, out) == 1 &&
             fwrite(&info.bmiHeader, sizeof info.bmiHeader, 1, out) == 1 &&
             fwrite(bits, stride * h, 1, out) == 1;
        fclose(out);
    }
    SelectObject(memory, old);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(window, source);
    return ok;
}

// The snapshot step: the dialog as a BMP, or the step fails with why.
static void Snapshot(HWND dialog, const std::string &path, const std::string &source)
{
    if (SaveBitmap(dialog, path.c_str())) return;
    fprintf(stderr, "host: %s: cannot write %s: %s\n", source.c_str(), path.c_str(),
            strerror(errno));
    FailDriverStep();
}

// kBoundIds's rows axis by axis, as the summary reads them: x's lower and
// upper bound, then y's, then z's.
static const int kAxisOrder[6] = {0, 3, 1, 4, 2, 5};

// The controls a step may name, by kind (the field of each bound's row, and
// for buttons OK and Cancel too); a script naming any other number is wrong
// before it runs.
struct ControlKind {
    const char *name;
    int BoundIds::*field;
    bool orButtons;
};
static const ControlKind SPINS = {"a spin", &BoundIds::spin, false};
static const ControlKind EDITS = {"an edit box", &BoundIds::edit, false};
static const ControlKind BUTTONS = {"a checkbox or button", &BoundIds::check, true};
enum { MODE_COUNT = 4, LONGEST_PAUSE_MS = 60000 };

// "" when id is one of kind's controls, else why not, with the valid numbers.
static std::string CheckControl(int id, const ControlKind &kind)
{
    std::vector<int> known;
    for (int row : kAxisOrder) known.push_back(kBoundIds[row].*kind.field);
    if (kind.orButtons) known.insert(known.end(), {IDOK, IDCANCEL});
    std::string valid;
    for (int k : known) {
        if (k == id) return "";
        valid += (valid.empty() ? "" : " ") + std::to_string(k);
    }
    return std::to_string(id) + " is not " + kind.name + " of the dialog (those are " + valid + ")";
}

static bool IsBlank(char c) { return c == ' ' || c == '\t'; }

// A lead byte of a double-byte character on the ANSI code page: its second
// byte may be a backslash (Shift-JIS), which then escapes nothing.
static bool IsLeadByte(const char *p) { return p[1] && IsDBCSLeadByte(static_cast<BYTE>(*p)); }

// The script cut into its steps at each ";" outside double quotes; inside
// quotes a backslash takes the next character along. A quote left open runs
// to the end, where reading that step finds it.
static void SplitSteps(const std::string &all, std::vector<std::string> &parts)
{
    parts.assign(1, std::string());
    bool quoted = false;
    for (const char *p = all.c_str(); *p; ++p) {
        if (*p == ';' && !quoted) {
            parts.emplace_back();
            continue;
        }
        std::string &part = parts.back();
        part += *p;
        if (*p == '"')
            quoted = !quoted;
        else if (quoted && (*p == '\\' || IsLeadByte(p)) && p[1])
            part += *++p;
    }
}

// The TEXT of type, set and snapshot from rest. Plain TEXT is the rest of the
// step, the blanks around it trimmed, and holds no double quote. Quoted TEXT
// is everything between two double quotes, blanks and ";" included, with \"
// for a quote and \\ for a backslash (a backslash before anything else stays
// as it is, so Windows paths need no doubling). "" or what is wrong.
static std::string ReadText(const char *rest, std::string &text)
{
    while (IsBlank(*rest)) ++rest;
    text.clear();
    if (*rest != '"') {
        text = rest;
        while (!text.empty() && IsBlank(text.back())) text.pop_back();
        if (text.find('"') != std::string::npos)
            return "a double quote belongs inside quoted text: write \"...\" around the whole "
                   "text and \\\" for the quote";
        return "";
    }
    const char *p = rest + 1;
    for (; *p && *p != '"'; ++p) {
        if (IsLeadByte(p))
            text += *p++;
        else if (*p == '\\' && (p[1] == '"' || p[1] == '\\'))
            ++p;
        text += *p;
    }
    if (!*p) return "the quoted text has no closing double quote";
    for (++p; IsBlank(*p); ++p) {
    }
    if (*p) return "unexpected \"" + std::string(p) + "\" after the quoted text";
    return "";
}

// Whether the step closes the dialog for good: nothing can follow it.
static bool EndsTheDialog(const DriverStep &step)
{
    return step.action == DriverAction::CloseBox ||
           (step.action == DriverAction::Click && (step.id == IDOK || step.id == IDCANCEL));
}

bool ParseDriverScript(const char *script, std::vector<DriverStep> &steps, std::string &error)
{
    steps.clear();
    std::vector<std::string> parts;
    SplitSteps(script, parts);
    std::string endedBy;  // the step that ends the dialog, once there is one
    int number = 0;
    for (std::string &part : parts) {
        ++number;
        char word[32] = "";
        int consumed = 0;
        if (sscanf(part.c_str(), " %31s%n", word, &consumed) != 1) {
            --number;  // an empty step, as after a last ";"
            continue;
        }
        const char *rest = part.c_str() + consumed;
        std::string problem;
        bool snapshot = false;
        auto readNumber = [&](int &out) {
            int used = 0;
            if (sscanf(rest, " %d%n", &out, &used) != 1) {
                problem = "a number must follow \"" + std::string(word) + "\"";
                return false;
            }
            rest += used;
            return true;
        };
        auto nothingMore = [&]() {
            while (IsBlank(*rest)) ++rest;
            if (*rest) problem = "unexpected \"" + std::string(rest) + "\" after the number";
            return problem.empty();
        };
        auto textAfter = [&]() {
            std::string t;
            const std::string wrong = ReadText(rest, t);
            if (problem.empty()) problem = wrong;
            return t;
        };
        // A step on one control of the given kind, its number next.
        auto onControl = [&](DriverAction action, const ControlKind &kind, bool textFollows) {
            DriverStep step = Step(action);
            if (!readNumber(step.id)) return step;
            if (textFollows)
                step.text = textAfter();
            else
                nothingMore();
            if (problem.empty()) problem = CheckControl(step.id, kind);
            return step;
        };
        const std::string w(word);
        DriverStep step = Step(DriverAction::Pause);
        if (w == "up")
            step = onControl(DriverAction::SpinUp, SPINS, false);
        else if (w == "down")
            step = onControl(DriverAction::SpinDown, SPINS, false);
        else if (w == "type")
            step = onControl(DriverAction::Type, EDITS, true);
        else if (w == "set")
            step = onControl(DriverAction::SetText, EDITS, true);
        else if (w == "click" || w == "check")
            step = onControl(DriverAction::Click, BUTTONS, false);
        else if (w == "mode") {
            step = Step(DriverAction::ChooseMode);
            if (readNumber(step.value) && nothingMore() &&
                (step.value < 0 || step.value >= MODE_COUNT))
                problem = "the operation list has entries 0 to " + std::to_string(MODE_COUNT - 1);
        } else if (w == "pause") {
            if (readNumber(step.value) && nothingMore() &&
                (step.value < 0 || step.value > LONGEST_PAUSE_MS))
                problem = "a pause lasts 0 to " + std::to_string(LONGEST_PAUSE_MS) + " ms";
        } else if (w == "ok" || w == "cancel" || w == "escape" || w == "enter" || w == "close") {
            if (w == "ok") step = Step(DriverAction::Click, IDOK);
            if (w == "cancel") step = Step(DriverAction::Click, IDCANCEL);
            if (w == "escape") step = Step(DriverAction::Key, 0, VK_ESCAPE);
            if (w == "enter") step = Step(DriverAction::Key, 0, VK_RETURN);
            if (w == "close") step = Step(DriverAction::CloseBox);
            nothingMore();
        } else if (w == "snapshot") {
            step.action = DriverAction::Call;
            step.text = textAfter();
            if (step.text.empty() && problem.empty()) problem = "snapshot needs a file name";
            snapshot = true;
        } else
            problem = "unknown word \"" + w +
                      "\" (the words: up down type set click check mode ok cancel escape enter "
                      "close pause snapshot)";
        const size_t first = part.find_first_not_of(" \t");
        const size_t last = part.find_last_not_of(" \t");
        step.source = "script step " + std::to_string(number) + " \"" +
                      part.substr(first, last - first + 1) + "\"";
        if (problem.empty() && !endedBy.empty())
            problem = "it follows " + endedBy + ", which ends the dialog";
        if (!problem.empty()) {
            error = step.source + ": " + problem;
            return false;
        }
        if (EndsTheDialog(step)) endedBy = step.source;
        if (snapshot)
            step.call = [path = step.text, source = step.source](HWND dialog) {
                Snapshot(dialog, path, source);
            };
        steps.push_back(step);
    }
    return true;
}

// Whether text is one number and nothing else, as the plug-in reads numbers
// (numbers/number_text.h): an optional sign, digits with at most one point,
// then optionally an exponent marker (e, E, d or D), a sign and digits. No
// blank, no other character.
static bool IsPlainNumber(const std::string &text)
{
    const char *p = text.c_str();
    auto digits = [&p]() {
        const char *from = p;
        while (*p >= '0' && *p <= '9') ++p;
        return p > from;
    };
    if (*p == '+' || *p == '-') ++p;
    bool some = digits();
    if (*p == '.') {
        ++p;
        some = digits() || some;
    }
    if (!some) return false;
    if (*p == 'e' || *p == 'E' || *p == 'd' || *p == 'D') {
        ++p;
        if (*p == '+' || *p == '-') ++p;
        if (!digits()) return false;
    }
    return !*p;
}

// A float in the fewest digits that read back as it: "1", "0.3", "-0", "inf".
static std::string Shortest(float value)
{
    char text[48];
    const std::to_chars_result r = std::to_chars(text, text + sizeof text, value);
    return std::string(text, r.ptr);
}

static std::string Utf8(const wchar_t *text)
{
    char utf8[3 * 256] = "";
    WideCharToMultiByte(CP_UTF8, 0, text, -1, utf8, sizeof utf8, nullptr, nullptr);
    return utf8;
}

// A bound's value as the summary shows it. The plug-in reads the first
// EDIT_TEXT_BUFFER - 1 bytes of the box's ANSI text with ScanNumber and keeps
// the result as a float. When the box holds one finite number and nothing
// else, the text reads as that value and is shown as typed ("0.50"); any other
// text is shown as the value used, then the text as typed, in UTF-8 whatever
// the code page ("1 (typed "1,5")", "0 (typed "")").
static std::string BoundValue(HWND dialog, int edit)
{
    char ansi[EDIT_TEXT_BUFFER] = "";
    GetDlgItemTextA(dialog, edit, ansi, sizeof ansi);
    const float used = static_cast<float>(ScanNumber(ansi));
    wchar_t wide[256] = L"";
    GetDlgItemTextW(dialog, edit, wide, 256);
    const std::string typed = Utf8(wide);
    if (IsPlainNumber(typed) && typed.size() < EDIT_TEXT_BUFFER && isfinite(used)) return typed;
    return Shortest(used) + " (typed \"" + typed + "\")";
}

std::string DescribeDialog(HWND dialog)
{
    std::string out;
    for (int row : kAxisOrder) {
        const BoundIds &b = kBoundIds[row];
        if (SendDlgItemMessageA(dialog, b.check, BM_GETCHECK, 0, 0) != BST_CHECKED) continue;
        const std::string value = BoundValue(dialog, b.edit);
        const char axis[2] = {"xyz"[row % 3], 0};  // rows 0-2 are lower bounds, 3-5 upper ones
        const std::string part = row < 3 ? value + " < " + axis : axis + (" < " + value);
        out += (out.empty() ? "" : ", ") + part;
    }
    if (out.empty()) out = "no bound";
    // The operation's name as the list shows it, whatever the ANSI code page.
    wchar_t mode[128] = L"";
    GetDlgItemTextW(dialog, IDC_MODE_COMBO, mode, 128);
    return out + "; " + Utf8(mode);
}

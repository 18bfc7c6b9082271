// The plug-in's resources as the platform finds them in the real DLL: the
// range dialog's template read back field by field, the operation names
// through the ANSI interface, the version record, and the dialog the
// platform builds from the template.
#include <windows.h>

#include <commctrl.h>
#include <stdio.h>

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "standin_engine/wide_text.h"
#include "wine_tests/hex.h"
#include "wine_tests/plugin_load.h"

namespace {

const WORD JAPANESE = MAKELANGID(0x11, 0x01);
const DWORD NO_ID = 0xFFFFFFFF;  // id -1 as the extended template stores it

// ---------------------------------------------------------------------------
// Expected tables

// A window class as a template stores it, as Reader::OrdinalOrName reads it:
// an ordinal, or a name.
const char BUTTON_CLASS[] = "#128", EDIT_CLASS[] = "#129", STATIC_CLASS[] = "#130",
           COMBOBOX_CLASS[] = "#133", SPIN_CLASS[] = "\"msctls_updown32\"";

struct ControlRow {
    DWORD id;
    const char *cls;
    const wchar_t *text;
    DWORD style;
    short x, y, cx, cy;
};

// Every control of dialog 101 in template order; help id, extended style
// and creation data are 0 for all of them.
const ControlRow CONTROLS[] = {
    {1009, BUTTON_CLASS, L"", 0x50010003, 6, 9, 12, 12},
    {1001, EDIT_CLASS, L"", 0x58810080, 18, 10, 39, 12},
    {1002, SPIN_CLASS, L"", 0x50000034, 54, 10, 9, 12},
    {NO_ID, STATIC_CLASS, L"<  X  <", 0x5002008B, 63, 11, 29, 12},
    {1017, BUTTON_CLASS, L"", 0x50010003, 93, 9, 12, 12},
    {1007, EDIT_CLASS, L"", 0x58810080, 105, 10, 39, 12},
    {1012, SPIN_CLASS, L"", 0x50000034, 141, 10, 9, 11},
    {1010, BUTTON_CLASS, L"", 0x50010003, 6, 27, 12, 12},
    {1003, EDIT_CLASS, L"", 0x58810080, 18, 29, 39, 12},
    {1004, SPIN_CLASS, L"", 0x50000034, 54, 28, 9, 12},
    {NO_ID, STATIC_CLASS, L"<  Y  <", 0x5002008B, 63, 29, 29, 12},
    {1018, BUTTON_CLASS, L"", 0x50010003, 93, 27, 12, 12},
    {1013, EDIT_CLASS, L"", 0x58810080, 105, 29, 39, 12},
    {1014, SPIN_CLASS, L"", 0x50000034, 141, 28, 9, 11},
    {1011, BUTTON_CLASS, L"", 0x50010003, 6, 45, 12, 12},
    {1005, EDIT_CLASS, L"", 0x58810080, 18, 46, 39, 12},
    {1006, SPIN_CLASS, L"", 0x50000034, 54, 46, 9, 12},
    {NO_ID, STATIC_CLASS, L"<  Z  <", 0x5002008B, 63, 47, 29, 12},
    {1019, BUTTON_CLASS, L"", 0x50010003, 93, 45, 12, 12},
    {1015, EDIT_CLASS, L"", 0x58810080, 105, 46, 39, 12},
    {1016, SPIN_CLASS, L"", 0x50000034, 141, 46, 9, 11},
    {1008, COMBOBOX_CLASS, L"", 0x50210003, 96, 66, 57, 60},
    {1, BUTTON_CLASS, L"OK", 0x50010001, 75, 84, 38, 13},
    {2, BUTTON_CLASS, L"キャンセル", 0x50010000, 117, 84, 36, 13},
    {NO_ID, STATIC_CLASS, L"の頂点を", 0x5002000B, 66, 68, 27, 8},
    {NO_ID, BUTTON_CLASS, L"範囲", 0x50000007, 3, 0, 150, 63},
};
const size_t CONTROL_COUNT = sizeof CONTROLS / sizeof CONTROLS[0];

// The header, every field in template order, as HeaderText writes it.
const char EXPECTED_HEADER[] =
    "version 1, signature FFFF, help id 0, extended style 0, style 80C800C0, 26 controls, "
    "at 0 0, size 155 99, menu \"\", class \"\", caption \"cubrik v1.00\", "
    "font 9 pt, weight 400, italic 0, charset 0, \"Tahoma\"";

// ---------------------------------------------------------------------------
// Reading an extended dialog template

struct DialogTemplate {
    std::string header;
    std::vector<std::string> controls;  // as ControlText writes them
    bool overran;                       // a field reached past the resource's end
    size_t bytesLeft;                   // after the last control
};

class Reader {
public:
    Reader(const BYTE *data, size_t size) : data_(data), size_(size) {}

    bool overran() const { return overran_; }
    size_t left() const { return pos_ <= size_ ? size_ - pos_ : 0; }

    WORD Word() { return static_cast<WORD>(Bytes(2)); }
    DWORD Dword() { return Bytes(4); }
    BYTE Byte() { return static_cast<BYTE>(Bytes(1)); }
    short Short() { return static_cast<short>(Word()); }

    // A NUL-terminated UTF-16 text.
    std::wstring Text()
    {
        std::wstring s;
        for (WORD c = Word(); c != 0 && !overran_; c = Word()) s += static_cast<wchar_t>(c);
        return s;
    }

    // An ordinal (0xFFFF, n) as "#n", or a name (an empty one is a lone 0)
    // in quotes.
    std::string OrdinalOrName()
    {
        if (pos_ + 1 < size_ && data_[pos_] == 0xFF && data_[pos_ + 1] == 0xFF) {
            Word();
            return "#" + std::to_string(Word());
        }
        return "\"" + Utf8(Text()) + "\"";
    }

    void AlignTo32Bits() { pos_ = (pos_ + 3) & ~static_cast<size_t>(3); }
    void Skip(size_t n) { pos_ += n; }

private:
    DWORD Bytes(size_t n)
    {
        DWORD v = 0;
        for (size_t i = 0; i < n; ++i, ++pos_) {
            if (pos_ >= size_) {
                overran_ = true;
                continue;
            }
            v |= static_cast<DWORD>(data_[pos_]) << (8 * i);
        }
        return v;
    }

    const BYTE *data_;
    size_t size_;
    size_t pos_ = 0;
    bool overran_ = false;
};

// The header read field by field into one line of text; *count is the
// number of controls that follow.
std::string HeaderText(Reader &r, WORD *count)
{
    char text[160];
    // Each declarator is read in turn, in template order.
    const unsigned version = r.Word(), signature = r.Word();
    const unsigned long helpId = r.Dword(), exStyle = r.Dword(), style = r.Dword();
    *count = r.Word();
    const int x = r.Short(), y = r.Short(), cx = r.Short(), cy = r.Short();
    snprintf(text, sizeof text,
             "version %u, signature %X, help id %lX, extended style %lX, style %lX, %u controls, "
             "at %d %d, size %d %d",
             version, signature, helpId, exStyle, style, *count, x, y, cx, cy);
    std::string line = text;
    line += ", menu " + r.OrdinalOrName();
    line += ", class " + r.OrdinalOrName();
    line += ", caption \"" + Utf8(r.Text()) + "\"";
    if (style & DS_SETFONT) {
        const unsigned points = r.Word(), weight = r.Word(), italic = r.Byte(), charset = r.Byte();
        snprintf(text, sizeof text, ", font %u pt, weight %u, italic %u, charset %u", points,
                 weight, italic, charset);
        line += text + (", \"" + Utf8(r.Text()) + "\"");
    }
    return line;
}

// A control, every field, in the order of a row of CONTROLS.
std::string ControlText(long id, const std::string &cls, const std::string &text,
                        unsigned long style, int x, int y, int cx, int cy, unsigned long helpId,
                        unsigned long exStyle, unsigned dataSize)
{
    char line[200];
    snprintf(line, sizeof line,
             "id %ld, class %s, text \"%s\", style %lX, at %d %d, size %d %d, help id %lX, "
             "extended style %lX, creation data %u bytes",
             id, cls.c_str(), text.c_str(), style, x, y, cx, cy, helpId, exStyle, dataSize);
    return line;
}

DialogTemplate ParseTemplate(const BYTE *data, size_t size)
{
    DialogTemplate t;
    Reader r(data, size);
    WORD count = 0;
    t.header = HeaderText(r, &count);
    for (WORD i = 0; i < count && !r.overran(); ++i) {
        r.AlignTo32Bits();
        const unsigned long helpId = r.Dword(), exStyle = r.Dword(), style = r.Dword();
        const int x = r.Short(), y = r.Short(), cx = r.Short(), cy = r.Short();
        const long id = static_cast<LONG>(r.Dword());
        const std::string cls = r.OrdinalOrName(), text = Utf8(r.Text());
        const unsigned dataSize = r.Word();
        r.Skip(dataSize);
        t.controls.push_back(
            ControlText(id, cls, text, style, x, y, cx, cy, helpId, exStyle, dataSize));
    }
    t.overran = r.overran();
    t.bytesLeft = r.left();
    return t;
}

// The template of dialog 101 in Japanese, parsed; a fatal failure when it
// is absent (callers wrap it in ASSERT_NO_FATAL_FAILURE).
void LoadRangeTemplate(DialogTemplate *out)
{
    const HMODULE module = Plugin().module;
    HRSRC found = FindResourceExA(module, MAKEINTRESOURCEA(5) /* RT_DIALOG */,
                                  MAKEINTRESOURCEA(101), JAPANESE);
    ASSERT_NE(found, nullptr) << "no Japanese dialog 101 in cubrik.dll";
    HGLOBAL loaded = LoadResource(module, found);
    const BYTE *data = static_cast<const BYTE *>(LockResource(loaded));
    const DWORD size = SizeofResource(module, found);
    ASSERT_NE(data, nullptr);
    *out = ParseTemplate(data, size);
}

// ---------------------------------------------------------------------------
// Shift-JIS strings through LoadStringA

struct StringRow {
    UINT id;
    const char *bytes;  // null: no such string
};

// String table block 7 (ids 96 to 111) holds only 103 to 106.
const StringRow STRINGS[] = {
    {96, nullptr},
    {102, nullptr},
    {103, "\x91\x49\x91\xf0\x82\xb7\x82\xe9"},                          // 選択する
    {104, "\x94\xf1\x91\x49\x91\xf0\x82\xc9\x82\xb7\x82\xe9"},          // 非選択にする
    {105, "\x91\x49\x91\xf0\x94\xbd\x93\x5d\x82\xb7\x82\xe9"},          // 選択反転する
    {106, "\x83\x89\x83\x93\x83\x5f\x83\x80\x82\xc9\x91\x49\x91\xf0"},  // ランダムに選択
    {107, nullptr},
    {111, nullptr},
};

// ---------------------------------------------------------------------------
// The version record, read with version.dll as file-property readers do. It
// is loaded at run time: the test program links only what the host needs.

typedef DWORD(WINAPI *GetFileVersionInfoSizeFn)(LPCSTR, LPDWORD);
typedef BOOL(WINAPI *GetFileVersionInfoFn)(LPCSTR, DWORD, DWORD, LPVOID);
typedef BOOL(WINAPI *VerQueryValueFn)(LPCVOID, LPCSTR, LPVOID *, PUINT);

template <typename T> T VersionFunction(const char *name)
{
    static HMODULE version = LoadLibraryA("version.dll");
    if (!version) return nullptr;
    return reinterpret_cast<T>(reinterpret_cast<void *>(GetProcAddress(version, name)));
}

// ---------------------------------------------------------------------------
// The dialog as the platform builds it

INT_PTR CALLBACK PassiveProc(HWND, UINT, WPARAM, LPARAM) { return FALSE; }

}  // namespace

TEST(Resources, CodePageIs932)
{
    // Every Shift-JIS expectation below depends on it.
    EXPECT_EQ(GetACP(), 932u);
}

TEST(Resources, DialogHeader)
{
    DialogTemplate t;
    ASSERT_NO_FATAL_FAILURE(LoadRangeTemplate(&t));
    EXPECT_EQ(t.header, EXPECTED_HEADER);
}

TEST(Resources, DialogControls)
{
    DialogTemplate t;
    ASSERT_NO_FATAL_FAILURE(LoadRangeTemplate(&t));
    EXPECT_FALSE(t.overran) << "dialog 101 reads past the end of its resource";
    EXPECT_LT(t.bytesLeft, 4u) << "bytes after dialog 101's last control";
    EXPECT_EQ(t.controls.size(), CONTROL_COUNT);
    for (size_t i = 0; i < CONTROL_COUNT && i < t.controls.size(); ++i) {
        const ControlRow &e = CONTROLS[i];
        EXPECT_EQ(t.controls[i], ControlText(static_cast<LONG>(e.id), e.cls, Utf8(e.text), e.style,
                                             e.x, e.y, e.cx, e.cy, 0, 0, 0))
            << "control " << i + 1;
    }
}

TEST(Resources, StringsInShiftJis)
{
    const HMODULE module = Plugin().module;
    // The block itself is Japanese: LoadStringA would take any language.
    EXPECT_NE(
        FindResourceExA(module, MAKEINTRESOURCEA(6) /* RT_STRING */, MAKEINTRESOURCEA(7), JAPANESE),
        nullptr)
        << "string block 7 (ids 96 to 111) is not Japanese";
    for (const StringRow &row : STRINGS) {
        char buffer[128];
        memset(buffer, 0x55, sizeof buffer);
        const int length = LoadStringA(module, row.id, buffer, sizeof buffer);
        SCOPED_TRACE("string " + std::to_string(row.id));
        if (!row.bytes) {
            EXPECT_EQ(length, 0) << "should be absent";
            continue;
        }
        EXPECT_EQ(length, static_cast<int>(strlen(row.bytes)));
        EXPECT_TRUE(length >= 0 && length < static_cast<int>(sizeof buffer) &&
                    buffer[length] == '\0')
            << "not terminated";
        EXPECT_EQ(std::string(buffer, length > 0 ? length : 0), row.bytes);
    }
}

TEST(Resources, VersionRecord)
{
    EXPECT_NE(FindResourceExA(Plugin().module, MAKEINTRESOURCEA(16) /* RT_VERSION */,
                              MAKEINTRESOURCEA(1), JAPANESE),
              nullptr)
        << "no Japanese version record 1";
    auto getSize = VersionFunction<GetFileVersionInfoSizeFn>("GetFileVersionInfoSizeA");
    auto getInfo = VersionFunction<GetFileVersionInfoFn>("GetFileVersionInfoA");
    auto query = VersionFunction<VerQueryValueFn>("VerQueryValueA");
    ASSERT_TRUE(getSize && getInfo && query);

    char path[MAX_PATH];
    GetModuleFileNameA(Plugin().module, path, MAX_PATH);
    DWORD handle = 0;
    const DWORD size = getSize(path, &handle);
    ASSERT_NE(size, 0ul) << "cubrik.dll has no version record";
    std::vector<BYTE> block(size);
    EXPECT_TRUE(getInfo(path, 0, size, block.data()));

    void *value = nullptr;
    UINT length = 0;
    EXPECT_TRUE(query(block.data(), "\\", &value, &length));
    EXPECT_EQ(length, static_cast<UINT>(sizeof(VS_FIXEDFILEINFO)));
    if (value && length >= sizeof(VS_FIXEDFILEINFO)) {
        const VS_FIXEDFILEINFO *fixed = static_cast<const VS_FIXEDFILEINFO *>(value);
        EXPECT_EQ(Hex{fixed->dwSignature}, Hex{0xFEEF04BD});
        EXPECT_EQ(Hex{fixed->dwFileVersionMS}, Hex{0x00010000});  // 1.0
        EXPECT_EQ(Hex{fixed->dwFileVersionLS}, Hex{0});           // .0.0
        EXPECT_EQ(Hex{fixed->dwProductVersionMS}, Hex{0x00010000});
        EXPECT_EQ(Hex{fixed->dwProductVersionLS}, Hex{0});
        EXPECT_EQ(fixed->dwFileType, static_cast<DWORD>(VFT_DLL));
        EXPECT_EQ(Hex{fixed->dwFileFlags & fixed->dwFileFlagsMask},
                  Hex{0});  // no debug, pre-release...
    }

    // Readers find the texts through the first translation.
    value = nullptr;
    EXPECT_TRUE(query(block.data(), "\\VarFileInfo\\Translation", &value, &length));
    ASSERT_EQ(length, 4u);
    ASSERT_NE(value, nullptr);
    const WORD *translation = static_cast<const WORD *>(value);
    EXPECT_EQ(translation[0], static_cast<WORD>(0x0411));  // Japanese
    EXPECT_EQ(translation[1], static_cast<WORD>(932));     // Shift-JIS

    // The description a user sees is Japanese like every other text: the
    // command's own name, as the menu shows it (compared in code page 932).
    const struct {
        const char *name;
        const char *value;  // null: the entry must be absent
    } texts[] = {{"ProductName", "cubrik"},     {"FileVersion", "1.0.0.0"},
                 {"ProductVersion", "1.0.0.0"}, {"OriginalFilename", "cubrik.dll"},
                 {"InternalName", "cubrik"},    {"CompanyName", nullptr},
                 {"LegalCopyright", nullptr},   {"FileDescription", Plugin().enumString(0)}};
    for (const auto &row : texts) {
        char key[96];
        snprintf(key, sizeof key, "\\StringFileInfo\\%04x%04x\\%s", translation[0], translation[1],
                 row.name);
        value = nullptr;
        const bool found = query(block.data(), key, &value, &length) && value;
        SCOPED_TRACE(row.name);
        if (!row.value) {
            EXPECT_FALSE(found) << "should be absent";
            continue;
        }
        EXPECT_TRUE(found) << "missing";
        if (found) {
            EXPECT_STREQ(static_cast<const char *>(value), row.value);
        }
    }
}

TEST(Resources, DialogAsCreated)
{
    INITCOMMONCONTROLSEX icc = {sizeof icc, ICC_UPDOWN_CLASS};
    EXPECT_TRUE(InitCommonControlsEx(&icc));
    HWND dialog =
        CreateDialogParamA(Plugin().module, MAKEINTRESOURCEA(101), nullptr, PassiveProc, 0);
    ASSERT_NE(dialog, nullptr) << "dialog 101 cannot be created (error " << GetLastError() << ")";

    // The children in z-order are the controls in template order.
    std::vector<DWORD> ids;
    for (HWND child = GetWindow(dialog, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
        ids.push_back(static_cast<DWORD>(GetWindowLongA(child, GWL_ID)));
    EXPECT_EQ(ids.size(), CONTROL_COUNT);
    for (size_t i = 0; i < CONTROL_COUNT && i < ids.size(); ++i)
        EXPECT_EQ(Hex{ids[i]}, Hex{CONTROLS[i].id}) << "id of child " << i + 1 << " in z-order";

    // OK is drawn and answers as the default button (the dialog would name
    // IDOK its default id anyway); the first tab stop is the X lower-bound
    // switch, which gets the focus when the dialog opens.
    HWND ok = GetDlgItem(dialog, IDOK);
    const LRESULT code = ok ? SendMessageA(ok, WM_GETDLGCODE, 0, 0) : 0;
    EXPECT_NE(code & DLGC_DEFPUSHBUTTON, 0) << "OK does not answer as the default button";
    HWND first = GetNextDlgTabItem(dialog, nullptr, FALSE);
    EXPECT_EQ(first ? GetDlgCtrlID(first) : 0, 1009);

    DestroyWindow(dialog);
}

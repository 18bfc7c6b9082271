// The plug-in's resources as the platform finds them in the real DLL: the
// range dialog's template read back field by field, the operation names
// through the ANSI interface, the version record, and the dialog the
// platform builds from the template.
#include <windows.h>

#include <commctrl.h>
#include <stdio.h>

#include <string>
#include <vector>

#include "host/tests/check.h"
#include "host/tests/plugin_load.h"

namespace {

const WORD JAPANESE = MAKELANGID(0x11, 0x01);
const DWORD NO_ID = 0xFFFFFFFF;  // id -1 as the extended template stores it

// ---------------------------------------------------------------------------
// Expected tables

// A window class as a template stores it: an ordinal, or a name (ordinal 0).
struct StoredClass {
    WORD ordinal;
    const wchar_t *name;
};
const StoredClass BUTTON_CLASS = {0x0080, nullptr};
const StoredClass EDIT_CLASS = {0x0081, nullptr};
const StoredClass STATIC_CLASS = {0x0082, nullptr};
const StoredClass COMBOBOX_CLASS = {0x0085, nullptr};
const StoredClass SPIN_CLASS = {0, L"msctls_updown32"};

struct ControlRow {
    DWORD id;
    StoredClass cls;
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

// The header as a parsed template holds it; the expected values follow.
struct DialogHeader {
    WORD version, signature;
    DWORD helpId, exStyle, style;
    WORD count;
    short x, y, cx, cy;
    WORD menuOrdinal;
    std::wstring menuName;
    WORD classOrdinal;
    std::wstring className;
    std::wstring caption;
    WORD pointSize, weight;
    BYTE italic, charset;
    std::wstring typeface;
};
// clang-format off
const DialogHeader EXPECTED_HEADER = {
    1, 0xFFFF,                      // extended template
    0, 0, 0x80C800C0,               // help id, extended style, style
    26,                             // controls
    0, 0, 155, 99,                  // position and size
    0, L"", 0, L"",                 // no menu, the default dialog class
    L"cubrik v1.00",
    9, 400, 0, 0, L"Tahoma",        // 9 point, weight 400, not italic, charset 0
};
// clang-format on

// ---------------------------------------------------------------------------
// Reading an extended dialog template

struct DialogControl {
    DWORD helpId, exStyle, style;
    short x, y, cx, cy;
    DWORD id;
    WORD classOrdinal;
    std::wstring className;
    std::wstring text;
    WORD dataSize;
};

struct DialogTemplate {
    DialogHeader header;
    std::vector<DialogControl> controls;
    bool overran;      // a field reached past the resource's end
    size_t bytesLeft;  // after the last control
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

    // An ordinal (0xFFFF, n) or a name; an empty name is a lone 0.
    void OrdinalOrName(WORD *ordinal, std::wstring *name)
    {
        *ordinal = 0;
        name->clear();
        if (Peek() == 0xFFFF) {
            Word();
            *ordinal = Word();
        } else {
            *name = Text();
        }
    }

    void AlignTo32Bits() { pos_ = (pos_ + 3) & ~static_cast<size_t>(3); }
    void Skip(size_t n) { pos_ += n; }

private:
    WORD Peek()
    {
        const size_t at = pos_;
        const WORD w = Word();
        pos_ = at;
        return w;
    }
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

DialogTemplate ParseTemplate(const BYTE *data, size_t size)
{
    DialogTemplate t;
    Reader r(data, size);
    DialogHeader &h = t.header;
    h.version = r.Word();
    h.signature = r.Word();
    h.helpId = r.Dword();
    h.exStyle = r.Dword();
    h.style = r.Dword();
    h.count = r.Word();
    h.x = r.Short();
    h.y = r.Short();
    h.cx = r.Short();
    h.cy = r.Short();
    r.OrdinalOrName(&h.menuOrdinal, &h.menuName);
    r.OrdinalOrName(&h.classOrdinal, &h.className);
    h.caption = r.Text();
    h.pointSize = h.weight = 0;
    h.italic = h.charset = 0;
    if (h.style & DS_SETFONT) {
        h.pointSize = r.Word();
        h.weight = r.Word();
        h.italic = r.Byte();
        h.charset = r.Byte();
        h.typeface = r.Text();
    }
    for (WORD i = 0; i < h.count && !r.overran(); ++i) {
        r.AlignTo32Bits();
        DialogControl c;
        c.helpId = r.Dword();
        c.exStyle = r.Dword();
        c.style = r.Dword();
        c.x = r.Short();
        c.y = r.Short();
        c.cx = r.Short();
        c.cy = r.Short();
        c.id = r.Dword();
        r.OrdinalOrName(&c.classOrdinal, &c.className);
        c.text = r.Text();
        c.dataSize = r.Word();
        r.Skip(c.dataSize);
        t.controls.push_back(c);
    }
    t.overran = r.overran();
    t.bytesLeft = r.left();
    return t;
}

// UTF-16 text for a failure message: ASCII as is, the rest as \uXXXX.
std::string Printable(const std::wstring &s)
{
    std::string out = "\"";
    for (wchar_t c : s) {
        char esc[8];
        if (c >= 0x20 && c < 0x7F) {
            out += static_cast<char>(c);
        } else {
            snprintf(esc, sizeof esc, "\\u%04X", static_cast<unsigned>(c));
            out += esc;
        }
    }
    return out + "\"";
}

template <typename T>
void Field(const std::string &where, const char *field, const T &actual, const T &expected)
{
    CHECK_MSG(actual == expected,
              where + ": " + field + " is " + Show(actual) + ", expected " + Show(expected));
}
void Field(const std::string &where, const char *field, const std::wstring &actual,
           const std::wstring &expected)
{
    CHECK_MSG(actual == expected, where + ": " + field + " is " + Printable(actual) +
                                      ", expected " + Printable(expected));
}

std::string RowName(size_t i)
{
    char name[48];
    const DWORD id = i < CONTROL_COUNT ? CONTROLS[i].id : 0;
    snprintf(name, sizeof name, "control %u (id %ld)", static_cast<unsigned>(i + 1),
             static_cast<long>(static_cast<LONG>(id)));
    return name;
}

// The template of dialog 101 in Japanese, parsed; false when absent.
bool LoadRangeTemplate(DialogTemplate *out)
{
    const HMODULE module = Plugin().module;
    HRSRC found = FindResourceExA(module, MAKEINTRESOURCEA(5) /* RT_DIALOG */,
                                  MAKEINTRESOURCEA(101), JAPANESE);
    CHECK_MSG(found != nullptr, "no Japanese dialog 101 in cubrik.dll");
    if (!found) return false;
    HGLOBAL loaded = LoadResource(module, found);
    const BYTE *data = static_cast<const BYTE *>(LockResource(loaded));
    const DWORD size = SizeofResource(module, found);
    CHECK(data != nullptr);
    if (!data) return false;
    *out = ParseTemplate(data, size);
    return true;
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

struct VersionRow {
    const char *name;
    const char *value;  // null: the entry must be absent
};

const VersionRow VERSION_TEXTS[] = {
    {"ProductName", "cubrik"},          {"FileVersion", "1.0.0.0"}, {"ProductVersion", "1.0.0.0"},
    {"OriginalFilename", "cubrik.dll"}, {"InternalName", "cubrik"}, {"CompanyName", nullptr},
    {"LegalCopyright", nullptr},
};

// ---------------------------------------------------------------------------
// The dialog as the platform builds it

INT_PTR CALLBACK PassiveProc(HWND, UINT, WPARAM, LPARAM) { return FALSE; }

struct SpinRow {
    int spin, edit;
};
// Each spin attaches itself to the control created just before it.
const SpinRow BUDDIES[] = {
    {1002, 1001}, {1012, 1007}, {1004, 1003}, {1014, 1013}, {1006, 1005}, {1016, 1015},
};

}  // namespace

TEST_CASE(resources_code_page_is_932)
{
    // Every Shift-JIS expectation below depends on it.
    CHECK_EQ(GetACP(), 932u);
}

TEST_CASE(resources_dialog_header)
{
    DialogTemplate t;
    if (!LoadRangeTemplate(&t)) return;
    const DialogHeader &a = t.header, &e = EXPECTED_HEADER;
    const std::string at = "dialog 101 header";
    Field(at, "version", a.version, e.version);
    Field(at, "signature", a.signature, e.signature);
    Field(at, "help id", a.helpId, e.helpId);
    Field(at, "extended style", a.exStyle, e.exStyle);
    Field(at, "style", a.style, e.style);
    Field(at, "control count", a.count, e.count);
    Field(at, "x", a.x, e.x);
    Field(at, "y", a.y, e.y);
    Field(at, "cx", a.cx, e.cx);
    Field(at, "cy", a.cy, e.cy);
    Field(at, "menu ordinal", a.menuOrdinal, e.menuOrdinal);
    Field(at, "menu name", a.menuName, e.menuName);
    Field(at, "class ordinal", a.classOrdinal, e.classOrdinal);
    Field(at, "class name", a.className, e.className);
    Field(at, "caption", a.caption, e.caption);
    Field(at, "point size", a.pointSize, e.pointSize);
    Field(at, "weight", a.weight, e.weight);
    Field(at, "italic", a.italic, e.italic);
    Field(at, "charset", a.charset, e.charset);
    Field(at, "typeface", a.typeface, e.typeface);
}

TEST_CASE(resources_dialog_controls)
{
    DialogTemplate t;
    if (!LoadRangeTemplate(&t)) return;
    CHECK_MSG(!t.overran, "dialog 101 reads past the end of its resource");
    CHECK_MSG(t.bytesLeft < 4, "dialog 101 has " +
                                   Show(static_cast<unsigned long long>(t.bytesLeft)) +
                                   " bytes after its last control");
    CHECK_EQ(t.controls.size(), CONTROL_COUNT);
    for (size_t i = 0; i < CONTROL_COUNT && i < t.controls.size(); ++i) {
        const DialogControl &a = t.controls[i];
        const ControlRow &e = CONTROLS[i];
        const std::string at = RowName(i);
        Field(at, "help id", a.helpId, 0ul);
        Field(at, "extended style", a.exStyle, 0ul);
        Field(at, "style", a.style, e.style);
        Field(at, "x", a.x, e.x);
        Field(at, "y", a.y, e.y);
        Field(at, "cx", a.cx, e.cx);
        Field(at, "cy", a.cy, e.cy);
        Field(at, "id", a.id, e.id);
        Field(at, "class ordinal", a.classOrdinal, e.cls.ordinal);
        Field(at, "class name", a.className, std::wstring(e.cls.name ? e.cls.name : L""));
        Field(at, "text", a.text, std::wstring(e.text));
        Field(at, "creation data size", a.dataSize, static_cast<WORD>(0));
    }
}

TEST_CASE(resources_strings_in_shift_jis)
{
    const HMODULE module = Plugin().module;
    // The block itself is Japanese: LoadStringA would take any language.
    CHECK_MSG(FindResourceExA(module, MAKEINTRESOURCEA(6) /* RT_STRING */, MAKEINTRESOURCEA(7),
                              JAPANESE) != nullptr,
              "string block 7 (ids 96 to 111) is not Japanese");
    for (const StringRow &row : STRINGS) {
        char buffer[128];
        memset(buffer, 0x55, sizeof buffer);
        const int length = LoadStringA(module, row.id, buffer, sizeof buffer);
        const std::string at = "string " + Show(row.id);
        if (!row.bytes) {
            CHECK_MSG(length == 0, at + " should be absent, has length " + Show(length));
            continue;
        }
        const int expected = static_cast<int>(strlen(row.bytes));
        CHECK_MSG(length == expected,
                  at + ": length " + Show(length) + ", expected " + Show(expected));
        CHECK_MSG(length >= 0 && length < static_cast<int>(sizeof buffer) && buffer[length] == '\0',
                  at + " is not terminated");
        CHECK_MSG(std::string(buffer, length > 0 ? length : 0) == row.bytes,
                  at + " is " + Show(std::string(buffer, length > 0 ? length : 0)) + ", expected " +
                      Show(row.bytes));
    }
}

TEST_CASE(resources_version_record)
{
    CHECK_MSG(FindResourceExA(Plugin().module, MAKEINTRESOURCEA(16) /* RT_VERSION */,
                              MAKEINTRESOURCEA(1), JAPANESE) != nullptr,
              "no Japanese version record 1");
    auto getSize = VersionFunction<GetFileVersionInfoSizeFn>("GetFileVersionInfoSizeA");
    auto getInfo = VersionFunction<GetFileVersionInfoFn>("GetFileVersionInfoA");
    auto query = VersionFunction<VerQueryValueFn>("VerQueryValueA");
    CHECK(getSize && getInfo && query);
    if (!getSize || !getInfo || !query) return;

    char path[MAX_PATH];
    GetModuleFileNameA(Plugin().module, path, MAX_PATH);
    DWORD handle = 0;
    const DWORD size = getSize(path, &handle);
    CHECK_MSG(size != 0, "cubrik.dll has no version record");
    if (size == 0) return;
    std::vector<BYTE> block(size);
    CHECK(getInfo(path, 0, size, block.data()));

    void *value = nullptr;
    UINT length = 0;
    CHECK(query(block.data(), "\\", &value, &length));
    CHECK_EQ(length, static_cast<UINT>(sizeof(VS_FIXEDFILEINFO)));
    if (value && length >= sizeof(VS_FIXEDFILEINFO)) {
        const VS_FIXEDFILEINFO *fixed = static_cast<const VS_FIXEDFILEINFO *>(value);
        CHECK_EQ(fixed->dwSignature, 0xFEEF04BDul);
        CHECK_EQ(fixed->dwFileVersionMS, 0x00010000ul);  // 1.0
        CHECK_EQ(fixed->dwFileVersionLS, 0ul);           // .0.0
        CHECK_EQ(fixed->dwProductVersionMS, 0x00010000ul);
        CHECK_EQ(fixed->dwProductVersionLS, 0ul);
        CHECK_EQ(fixed->dwFileType, static_cast<DWORD>(VFT_DLL));
        CHECK_EQ(fixed->dwFileFlags & fixed->dwFileFlagsMask, 0ul);  // no debug, pre-release...
    }

    // Readers find the texts through the first translation.
    value = nullptr;
    CHECK(query(block.data(), "\\VarFileInfo\\Translation", &value, &length));
    CHECK_EQ(length, 4u);
    if (!value || length < 4) return;
    const WORD *translation = static_cast<const WORD *>(value);
    CHECK_EQ(translation[0], static_cast<WORD>(0x0411));  // Japanese
    CHECK_EQ(translation[1], static_cast<WORD>(932));     // Shift-JIS

    for (const VersionRow &row : VERSION_TEXTS) {
        char key[96];
        snprintf(key, sizeof key, "\\StringFileInfo\\%04x%04x\\%s", translation[0], translation[1],
                 row.name);
        value = nullptr;
        const bool found = query(block.data(), key, &value, &length) && value;
        if (!row.value) {
            CHECK_MSG(!found, std::string(row.name) + " should be absent");
            continue;
        }
        CHECK_MSG(found, std::string(row.name) + " is missing");
        if (found)
            CHECK_MSG(std::string(static_cast<const char *>(value)) == row.value,
                      std::string(row.name) + " is " + Show(static_cast<const char *>(value)) +
                          ", expected " + Show(row.value));
    }

    // The description says what the plug-in does, in English: plain ASCII.
    char key[96];
    snprintf(key, sizeof key, "\\StringFileInfo\\%04x%04x\\FileDescription", translation[0],
             translation[1]);
    value = nullptr;
    CHECK(query(block.data(), key, &value, &length) && value);
    if (value) {
        const std::string description = static_cast<const char *>(value);
        CHECK(description.size() >= 10);
        bool ascii = true;
        for (unsigned char c : description) ascii = ascii && c >= 0x20 && c < 0x7F;
        CHECK_MSG(ascii, "FileDescription is not plain ASCII: " + Show(description));
    }
}

TEST_CASE(resources_dialog_as_created)
{
    INITCOMMONCONTROLSEX icc = {sizeof icc, ICC_UPDOWN_CLASS};
    CHECK(InitCommonControlsEx(&icc));
    HWND dialog =
        CreateDialogParamA(Plugin().module, MAKEINTRESOURCEA(101), nullptr, PassiveProc, 0);
    CHECK_MSG(dialog != nullptr,
              "dialog 101 cannot be created (error " + Show(GetLastError()) + ")");
    if (!dialog) return;

    // The children in z-order are the controls in template order.
    std::vector<DWORD> ids;
    for (HWND child = GetWindow(dialog, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
        ids.push_back(static_cast<DWORD>(GetWindowLongA(child, GWL_ID)));
    CHECK_EQ(ids.size(), CONTROL_COUNT);
    for (size_t i = 0; i < CONTROL_COUNT && i < ids.size(); ++i)
        Field(RowName(i), "id of child in z-order", ids[i], CONTROLS[i].id);

    for (const SpinRow &row : BUDDIES) {
        HWND spin = GetDlgItem(dialog, row.spin);
        HWND buddy =
            spin ? reinterpret_cast<HWND>(SendMessageA(spin, UDM_GETBUDDY, 0, 0)) : nullptr;
        const int buddyId = buddy ? GetDlgCtrlID(buddy) : 0;
        CHECK_MSG(buddyId == row.edit, "spin " + Show(row.spin) + " is attached to " +
                                           Show(buddyId) + ", expected " + Show(row.edit));
    }

    // OK is drawn and answers as the default button (the dialog would name
    // IDOK its default id anyway); the first tab stop is the X lower-bound
    // switch, which gets the focus when the dialog opens.
    HWND ok = GetDlgItem(dialog, IDOK);
    const LRESULT code = ok ? SendMessageA(ok, WM_GETDLGCODE, 0, 0) : 0;
    CHECK_MSG((code & DLGC_DEFPUSHBUTTON) != 0, "OK does not answer as the default button");
    HWND first = GetNextDlgTabItem(dialog, nullptr, FALSE);
    CHECK_EQ(first ? GetDlgCtrlID(first) : 0, 1009);

    DestroyWindow(dialog);
}

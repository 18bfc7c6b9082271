#include "host/tests/check.h"

#include <windows.h>

static TestCase *g_first;
static TestCase **g_last = &g_first;
static const char *g_running = "(no test)";
static int g_failures;

TestRegistrar::TestRegistrar(TestCase *tc)
{
    *g_last = tc;
    g_last = &tc->next;
}

void ReportFailure(const char *file, int line, const std::string &what)
{
    ++g_failures;
    printf("  %s:%d: %s\n", file, line, what.c_str());
    fflush(stdout);
}

std::string Show(long long v) { return std::to_string(v); }
std::string Show(unsigned long long v)
{
    char text[32];
    snprintf(text, sizeof text, "%llu (0x%llX)", v, v);
    return text;
}
std::string Show(double v)
{
    char text[64];
    snprintf(text, sizeof text, "%.9g", v);
    return text;
}
std::string Show(const char *s)
{
    if (!s) return "null";
    std::string out = "\"";
    for (const unsigned char *p = reinterpret_cast<const unsigned char *>(s); *p; ++p) {
        char c[8];
        if (*p >= 0x20 && *p < 0x7F)
            out += static_cast<char>(*p);
        else {
            snprintf(c, sizeof c, "\\x%02x", *p);
            out += c;
        }
    }
    return out + "\"";
}
std::string Show(const std::string &s) { return Show(s.c_str()); }
std::string Show(const void *p)
{
    char text[32];
    snprintf(text, sizeof text, "%p", p);
    return text;
}

// A crash anywhere (in the plug-in above all) ends the run at once with the
// name of the test it happened in, instead of a debugger waiting for a click.
static LONG WINAPI OnCrash(EXCEPTION_POINTERS *info)
{
    printf("CRASH in %s: exception 0x%08lX at %p\n", g_running,
           static_cast<unsigned long>(info->ExceptionRecord->ExceptionCode),
           info->ExceptionRecord->ExceptionAddress);
    printf("0 passed, 1 failed\n");
    fflush(stdout);
    ExitProcess(3);
    return EXCEPTION_EXECUTE_HANDLER;
}

// Cases named crashcheck_* crash on purpose, to show that a crash ends the
// run with a message; they run only when asked for by name.
static bool Selected(const char *name, int argc, char **argv)
{
    if (argc <= 1) return strncmp(name, "crashcheck_", 11) != 0;
    for (int i = 1; i < argc; ++i)
        if (strncmp(name, argv[i], strlen(argv[i])) == 0) return true;
    return false;
}

int RunTests(int argc, char **argv)
{
    SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX | SEM_NOOPENFILEERRORBOX);
    SetUnhandledExceptionFilter(OnCrash);
    int passed = 0, failed = 0;
    for (TestCase *tc = g_first; tc; tc = tc->next) {
        if (!Selected(tc->name, argc, argv)) continue;
        g_running = tc->name;
        const int before = g_failures;
        tc->run();
        const bool ok = g_failures == before;
        printf("%s %s\n", ok ? "ok    " : "FAILED", tc->name);
        fflush(stdout);
        (ok ? passed : failed)++;
    }
    printf("%d passed, %d failed\n", passed, failed);
    fflush(stdout);
    return failed == 0 && passed > 0 ? 0 : 1;
}

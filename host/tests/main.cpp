// The Wine tests' entry: GoogleTest, plus a crash handler. A crash anywhere
// (in the plug-in above all) ends the run at once with the name of the test
// it happened in, instead of a debugger waiting for a click.
#include <windows.h>

#include <stdio.h>

#include <gtest/gtest.h>

static LONG WINAPI OnCrash(EXCEPTION_POINTERS *info)
{
    const testing::TestInfo *test = testing::UnitTest::GetInstance()->current_test_info();
    fflush(stdout);
    printf("CRASH in %s%s%s: exception 0x%08lX at %p\n", test ? test->test_suite_name() : "",
           test ? "." : "", test ? test->name() : "(no test)",
           static_cast<unsigned long>(info->ExceptionRecord->ExceptionCode),
           info->ExceptionRecord->ExceptionAddress);
    fflush(stdout);
    ExitProcess(3);
    return EXCEPTION_EXECUTE_HANDLER;
}

// CTest runs this case by name and expects the message above; disabled, it
// never runs with the others.
TEST(CrashCheck, DISABLED_AccessViolation)
{
    volatile int *nowhere = nullptr;
    *nowhere = 1;
}

int main(int argc, char **argv)
{
    testing::InitGoogleTest(&argc, argv);
    SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX | SEM_NOOPENFILEERRORBOX);
    SetUnhandledExceptionFilter(OnCrash);
    const int failed = RUN_ALL_TESTS();
    // A filter that matches nothing is a mistake in the caller, not a pass.
    if (testing::UnitTest::GetInstance()->test_to_run_count() == 0) {
        printf("no test matches the filter\n");
        return 1;
    }
    return failed;
}

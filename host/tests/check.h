// A small self-checking runner for the tests that run under Wine: each test
// case registers itself, failures print the expression and both values, and
// the run ends with "N passed, M failed". A crash names the test it ended.
#pragma once

#include <stdio.h>
#include <string.h>

#include <string>
#include <vector>

struct TestCase {
    const char *name;
    void (*run)();
    TestCase *next;
};

struct TestRegistrar {
    TestRegistrar(TestCase *tc);
};

// Records a failed check for the running test case and prints it.
void ReportFailure(const char *file, int line, const std::string &what);

// Runs the test cases whose names start with one of the arguments (all when
// there are none); returns the process exit code.
int RunTests(int argc, char **argv);

#define TEST_CASE(name)                                                                            \
    static void name();                                                                            \
    static TestCase name##_case = {#name, name, nullptr};                                          \
    static TestRegistrar name##_registrar(&name##_case);                                           \
    static void name()

std::string Show(long long v);
std::string Show(unsigned long long v);
std::string Show(double v);
std::string Show(const char *s);
std::string Show(const std::string &s);
std::string Show(const void *p);
inline std::string Show(int v) { return Show(static_cast<long long>(v)); }
inline std::string Show(long v) { return Show(static_cast<long long>(v)); }
inline std::string Show(unsigned v) { return Show(static_cast<unsigned long long>(v)); }
inline std::string Show(unsigned long v) { return Show(static_cast<unsigned long long>(v)); }
inline std::string Show(unsigned short v) { return Show(static_cast<unsigned long long>(v)); }
inline std::string Show(short v) { return Show(static_cast<long long>(v)); }
inline std::string Show(float v) { return Show(static_cast<double>(v)); }
inline std::string Show(bool v) { return v ? "true" : "false"; }
inline std::string Show(const std::vector<std::string> &lines)
{
    std::string out = "[";
    for (const std::string &l : lines) out += "\n      " + l;
    return out + "\n    ]";
}

#define CHECK(cond)                                                                                \
    do {                                                                                           \
        if (!(cond)) ReportFailure(__FILE__, __LINE__, "CHECK(" #cond ")");                        \
    } while (0)

#define CHECK_EQ(actual, expected)                                                                 \
    do {                                                                                           \
        const auto &check_a_ = (actual);                                                           \
        const auto &check_e_ = (expected);                                                         \
        if (!(check_a_ == check_e_))                                                               \
            ReportFailure(__FILE__, __LINE__,                                                      \
                          std::string(#actual " is ") + Show(check_a_) + ", expected " +           \
                              Show(check_e_));                                                     \
    } while (0)

// For the places where a message should say more than the expression.
#define CHECK_MSG(cond, message)                                                                   \
    do {                                                                                           \
        if (!(cond)) ReportFailure(__FILE__, __LINE__, (message));                                 \
    } while (0)

# GoogleTest for the Wine tests, built from the sources Debian's googletest
# package installs with the build's own cross compiler. Defines gtest_wine:
# link it and write main() yourself (the Wine tests keep their own crash handler).
set(CUBRIK_GTEST_SOURCE_DIR /usr/src/googletest/googletest
    CACHE PATH "GoogleTest's own source directory (the one holding src/ and include/)")
if(NOT EXISTS ${CUBRIK_GTEST_SOURCE_DIR}/src/gtest-all.cc)
    message(FATAL_ERROR "No GoogleTest sources in ${CUBRIK_GTEST_SOURCE_DIR}: "
                        "install the googletest package (scripts/setup.sh does).")
endif()
# Built with the tests only, never with the plug-in alone. SYSTEM and -w: our
# sources keep every warning an error; GoogleTest's are not ours to warn about.
add_library(gtest_wine STATIC EXCLUDE_FROM_ALL ${CUBRIK_GTEST_SOURCE_DIR}/src/gtest-all.cc)
target_include_directories(gtest_wine PRIVATE ${CUBRIK_GTEST_SOURCE_DIR})
target_include_directories(gtest_wine SYSTEM PUBLIC ${CUBRIK_GTEST_SOURCE_DIR}/include)
target_compile_options(gtest_wine PRIVATE -w)

# MinGW-w64's win32 thread model (before GCC 13) has no std::mutex, which one
# class of GoogleTest needs; a stand-in that needs none is forced in ahead of
# its headers, whatever the toolchain (GoogleTest then skips its own).
target_compile_options(gtest_wine PUBLIC "SHELL:-include ${CMAKE_CURRENT_LIST_DIR}/googletest-wine-notification.h")

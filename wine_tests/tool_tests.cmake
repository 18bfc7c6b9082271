# The stand-in host as a tool: its answers to what only Windows can tell
# (plug-in files, file names, code pages, the dialog, the display), one table
# in bad_input_test.sh; the rest is the native table of its portable parts.
# It opens the dialog for some rows, so it takes the desktop as the Wine
# tests do.
add_test(NAME host_bad_input
         COMMAND ${CMAKE_CURRENT_SOURCE_DIR}/bad_input_test.sh ${CMAKE_BINARY_DIR})
set_tests_properties(host_bad_input PROPERTIES
    RESOURCE_LOCK wine_desktop
    PASS_REGULAR_EXPRESSION "[0-9]+ passed, 0 failed")

# The summary line names the chosen operation in Japanese, and the identity
# line the command, on a Japanese Windows and on a Western European one
# (code page 1252), where text converted through the ANSI code page would
# print as question marks.
foreach(run "ja_JP.UTF-8;932" "en_US.UTF-8;1252")
    list(GET run 0 locale)
    list(GET run 1 codepage)
    add_test(NAME host_summary_cp${codepage}
             COMMAND host $<TARGET_FILE:cubrik> ${PROJECT_SOURCE_DIR}/samples/sphere.obj
                     --script "mode 3; ok"
             WORKING_DIRECTORY ${CMAKE_BINARY_DIR})
    set_tests_properties(host_summary_cp${codepage} PROPERTIES
        RESOURCE_LOCK wine_desktop
        ENVIRONMENT "CUBRIK_LC_ALL=${locale}"
        FAIL_REGULAR_EXPRESSION "host: "  # (the exit status is not read beside a pattern)
        PASS_REGULAR_EXPRESSION
            "command 0: 指定範囲内の頂点を選択\n.*\ncubrik: x < 0\\.00; ランダムに選択 -> applied;")
endforeach()

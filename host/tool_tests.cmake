# The stand-in host as a tool: its answers to bad input (options, plug-in
# files, meshes, scripts), one table in tests/bad_input_test.sh. It opens the
# dialog for some rows, so it takes the desktop as the Wine tests do.
add_test(NAME host_bad_input
         COMMAND ${CMAKE_CURRENT_SOURCE_DIR}/tests/bad_input_test.sh ${CMAKE_BINARY_DIR})
set_tests_properties(host_bad_input PROPERTIES
    RESOURCE_LOCK wine_desktop
    TIMEOUT 300
    PASS_REGULAR_EXPRESSION "[0-9]+ passed, 0 failed")

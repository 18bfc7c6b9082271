# What both MinGW-w64 cross-builds share (MINGW_TRIPLE set by the includer).
# Nothing here is searched for with find_*: the two header-only libraries the
# builds stage are found apart from any root path (NO_CMAKE_FIND_ROOT_PATH).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_C_COMPILER ${MINGW_TRIPLE}-gcc)
set(CMAKE_CXX_COMPILER ${MINGW_TRIPLE}-g++)
set(CMAKE_RC_COMPILER ${MINGW_TRIPLE}-windres)
# Tests built here run under Wine through the wrapper.
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/../scripts/wine-run.sh)

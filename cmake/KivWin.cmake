# The Windows build: 32-bit, Windows 7 and later, with the dependencies that
# scripts/win-deps.sh cross-built into KIV_WIN_DEPS. Its programs run under
# Wine through scripts/win-run.sh (the Wine prefix is chosen when the tests
# run, by KIV_WINE_PREFIX).
if(NOT WIN32 OR NOT CMAKE_SIZEOF_VOID_P EQUAL 4)
  message(FATAL_ERROR "KIV_BACKEND=win needs the 32-bit mingw-w64 toolchain (cmake/mingw-i686.cmake)")
endif()
if(NOT KIV_WIN_DEPS OR NOT EXISTS ${KIV_WIN_DEPS}/.complete)
  message(FATAL_ERROR "KIV_WIN_DEPS must name the prefix that scripts/win-deps.sh prints")
endif()

add_compile_definitions(_WIN32_WINNT=0x0601 WINVER=0x0601)
set(CMAKE_CROSSCOMPILING_EMULATOR ${PROJECT_SOURCE_DIR}/scripts/win-run.sh)

# The layers link cJSON by the name the Linux build's pkg-config gives it.
# The library is static and its symbols are not exported from our programs.
find_package(cJSON CONFIG REQUIRED)
add_library(PkgConfig::CJSON INTERFACE IMPORTED)
target_link_libraries(PkgConfig::CJSON INTERFACE cjson)
target_compile_definitions(PkgConfig::CJSON INTERFACE CJSON_HIDE_SYMBOLS)

# Cross-compiling for 32-bit Windows with mingw-w64 (posix thread model).
# KIV_WIN_DEPS, when given, is the prefix of the cross-built dependencies
# (scripts/win-deps.sh prints it); it is searched like the mingw sysroot.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR i686)

set(CMAKE_C_COMPILER i686-w64-mingw32-gcc-posix)
set(CMAKE_CXX_COMPILER i686-w64-mingw32-g++-posix)
set(CMAKE_RC_COMPILER i686-w64-mingw32-windres)

set(CMAKE_FIND_ROOT_PATH /usr/i686-w64-mingw32)
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES KIV_WIN_DEPS)
if(KIV_WIN_DEPS)
  list(PREPEND CMAKE_FIND_ROOT_PATH ${KIV_WIN_DEPS})
endif()
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# No runtime DLL of the compiler may follow the executable to the user.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
# zlib comes from Debian's libz-mingw-w64-dev, which also ships a DLL.
set(ZLIB_USE_STATIC_LIBS ON)

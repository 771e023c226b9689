# Cross-build for 64-bit Windows with Debian's mingw-w64, posix thread model: the win32 model's
# libstdc++ has no std::thread or std::mutex.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(ORVANE_MINGW_TRIPLET x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${ORVANE_MINGW_TRIPLET}-gcc-posix)
set(CMAKE_CXX_COMPILER ${ORVANE_MINGW_TRIPLET}-g++-posix)
set(CMAKE_RC_COMPILER ${ORVANE_MINGW_TRIPLET}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${ORVANE_MINGW_TRIPLET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# The programs go to operators' machines as single files: libstdc++, libgcc and winpthread are
# linked in, only the system's own DLLs stay outside.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")

# Tests and tools run under Wine on the build machine; Debian's 64-bit loader directly, since the
# wine wrapper warns about a missing 32-bit Wine on every start.
find_program(ORVANE_WINE NAMES wine64 wine PATHS /usr/lib/wine NO_DEFAULT_PATH)
if(NOT ORVANE_WINE)
  find_program(ORVANE_WINE NAMES wine64 wine)
endif()
if(ORVANE_WINE)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${ORVANE_WINE})
endif()

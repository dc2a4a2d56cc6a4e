# 64-bit Windows with MinGW-w64 (posix threads) from Debian.
# cmake -DCMAKE_TOOLCHAIN_FILE=cmake/toolchain-mingw64.cmake -DDEPS_PREFIX=<static deps>
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(_orvalon_target x86_64-w64-mingw32)

# The -posix drivers by name: std::thread needs them, whatever update-alternatives says.
set(CMAKE_C_COMPILER ${_orvalon_target}-gcc-posix)
set(CMAKE_CXX_COMPILER ${_orvalon_target}-g++-posix)
set(CMAKE_RC_COMPILER ${_orvalon_target}-windres)
set(CMAKE_AR /usr/bin/${_orvalon_target}-gcc-ar-posix CACHE FILEPATH "")
set(CMAKE_RANLIB /usr/bin/${_orvalon_target}-gcc-ranlib-posix CACHE FILEPATH "")

if(NOT DEFINED DEPS_PREFIX AND DEFINED ENV{DEPS_PREFIX})
  set(DEPS_PREFIX $ENV{DEPS_PREFIX})
endif()
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES DEPS_PREFIX)
set(CMAKE_FIND_ROOT_PATH /usr/${_orvalon_target} ${DEPS_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Static archives only: the plug-in must need no DLL beyond the system's own.
set(ZLIB_USE_STATIC_LIBS ON)
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
set(CMAKE_MODULE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")

# Tests run through Wine.
if(NOT DEFINED CMAKE_CROSSCOMPILING_EMULATOR)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/../scripts/windows/wine-run.sh)
endif()

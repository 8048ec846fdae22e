# Cross build for 64-bit Windows with Debian's mingw-w64 (the POSIX-threads variant, whose
# libstdc++ has std::thread and friends).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR AMD64)

set(VT_MINGW_TRIPLET x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${VT_MINGW_TRIPLET}-gcc-posix)
set(CMAKE_CXX_COMPILER ${VT_MINGW_TRIPLET}-g++-posix)
set(CMAKE_RC_COMPILER ${VT_MINGW_TRIPLET}-windres)
set(CMAKE_ASM_NASM_COMPILER nasm)

# The project's build adds the prefix of the libraries it builds for Windows itself.
set(CMAKE_FIND_ROOT_PATH /usr/${VT_MINGW_TRIPLET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Test programs run under Wine on the build machine (see scripts/wine-prefix.sh for its prefix).
set(CMAKE_CROSSCOMPILING_EMULATOR wine)

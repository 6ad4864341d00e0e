# Cross-builds the Windows program (x86-64) with Debian's mingw-w64. The
# flavour with POSIX threads is the one whose C++ library has std::mutex,
# which GoogleTest needs; the program itself uses the Windows API's threads,
# and every runtime is linked in, so it needs no DLL beside it.
#
#   cmake -S . -B build-windows -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(VELORWIND_MINGW_TRIPLET x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${VELORWIND_MINGW_TRIPLET}-gcc-posix)
set(CMAKE_CXX_COMPILER ${VELORWIND_MINGW_TRIPLET}-g++-posix)
set(CMAKE_RC_COMPILER ${VELORWIND_MINGW_TRIPLET}-windres)

# Libraries and headers come from the target's tree only; tools run here.
set(CMAKE_FIND_ROOT_PATH /usr/${VELORWIND_MINGW_TRIPLET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# One executable that needs no DLL beside it: the C and C++ runtimes are
# linked in.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")

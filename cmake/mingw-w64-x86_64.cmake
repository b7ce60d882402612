# Cross-compiling Tockmere for 64-bit Windows with Debian's MinGW-w64.
#
# The -posix compilers use winpthreads, which gives std::mutex and std::thread
# (GoogleTest needs them). Everything is linked statically, so each .exe runs
# with nothing but system DLLs beside it. Programs built here are run through
# scripts/wine-run.sh, which is how ctest and gtest_discover_tests start them.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(TOCKMERE_MINGW_TRIPLET x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${TOCKMERE_MINGW_TRIPLET}-gcc-posix)
set(CMAKE_CXX_COMPILER ${TOCKMERE_MINGW_TRIPLET}-g++-posix)
set(CMAKE_RC_COMPILER ${TOCKMERE_MINGW_TRIPLET}-windres)

# Look for headers and libraries in the MinGW sysroot only, for tools on the host.
set(CMAKE_FIND_ROOT_PATH /usr/${TOCKMERE_MINGW_TRIPLET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# No libgcc_s, libstdc++ or libwinpthread DLL next to the programs.
# Sections laid out in the file as in memory, a page each: Wine then maps
# the image from the file and shares its pages, where it otherwise reads a
# copy of it into the process's own memory.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++ -Wl,--file-alignment=4096")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")

# Windows programs built here run under Wine, in a prefix of their own.
get_filename_component(CMAKE_CROSSCOMPILING_EMULATOR
  "${CMAKE_CURRENT_LIST_DIR}/../scripts/wine-run.sh" ABSOLUTE)

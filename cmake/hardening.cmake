# How the program is compiled and linked beyond warnings: hardened, and alike
# from one build to the next.
#
# Hardened (not with the sanitizers, which instrument the code their own way):
#  - Linux: what Debian builds its packages with (dpkg-buildflags with
#    DEB_BUILD_MAINT_OPTIONS=hardening=+all: stack protector, fortified
#    library calls, format checks, full RELRO with immediate binding, PIE),
#    and control-flow protection (-fcf-protection) where the compiler has it;
#    tests/package/run.sh checks the packaged program has each.
#  - Windows: MinGW-w64's stack protector and fortified calls (libssp, linked
#    statically: no DLL beside the program), and ASLR with a high-entropy
#    64-bit address space and a non-executable stack and heap (NX).
# Alike: no build path in the objects (two build folders give the same
# program), no __DATE__ or __TIME__ (-Wdate-time, an error with -Werror), no
# link time in the Windows program's header.
include(CheckCXXCompilerFlag)
include(CheckPIESupported)

if(NOT CMAKE_CXX_COMPILER_ID STREQUAL "GNU")
  message(STATUS "Hardening flags are set for GCC only; ${CMAKE_CXX_COMPILER_ID} builds without them")
  return()
endif()

# The source folder's paths become relative, the build folder's "build"; the
# last map that matches wins, and the build folder may lie inside the sources.
add_compile_options(-ffile-prefix-map=${PROJECT_SOURCE_DIR}=.
                    -ffile-prefix-map=${PROJECT_BINARY_DIR}=build
                    -Wdate-time)

if(TOCKMERE_SANITIZE)
  return()
endif()

# Fortified calls need the optimizer (glibc warns without it: an error here).
set(tockmere_optimized $<NOT:$<CONFIG:Debug>>)
add_compile_options(-fstack-protector-strong -Wformat -Werror=format-security
                    $<${tockmere_optimized}:-U_FORTIFY_SOURCE>
                    $<${tockmere_optimized}:-D_FORTIFY_SOURCE=2>)

if(WIN32)
  # The driver links libssp when it sees the flag on the link line too.
  add_link_options(-fstack-protector-strong
                   -Wl,--dynamicbase -Wl,--high-entropy-va -Wl,--nxcompat
                   -Wl,--no-insert-timestamp)
else()
  check_cxx_compiler_flag(-fcf-protection TOCKMERE_HAVE_CF_PROTECTION)
  if(TOCKMERE_HAVE_CF_PROTECTION)
    add_compile_options(-fcf-protection)
  endif()
  check_cxx_compiler_flag(-fstack-clash-protection TOCKMERE_HAVE_STACK_CLASH_PROTECTION)
  if(TOCKMERE_HAVE_STACK_CLASH_PROTECTION)
    add_compile_options(-fstack-clash-protection)
  endif()
  check_pie_supported(LANGUAGES CXX)
  set(CMAKE_POSITION_INDEPENDENT_CODE ON)
  add_link_options(-Wl,-z,relro -Wl,-z,now)
endif()

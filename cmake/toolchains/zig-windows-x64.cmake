# Cross toolchain: Windows x64 (PE32+ DLL and executables, MinGW ABI, static libc++) with
# zig's clang. The plug-in library is named tavren.cdl64, the host's name for a 64-bit
# plug-in; the host application builds as tavren-host.exe.
set(CMAKE_SYSTEM_NAME Windows)
set(TAVREN_ZIG_TARGET x86_64-windows-gnu)
include(${CMAKE_CURRENT_LIST_DIR}/zig-common.cmake)
# MinGW's math.h hides M_PI and its kin under -std=c++17 (strict ANSI); glibc shows them to
# g++ and clang on the native build. Same constants on both sides.
string(APPEND CMAKE_C_FLAGS_INIT " -D_USE_MATH_DEFINES")
string(APPEND CMAKE_CXX_FLAGS_INIT " -D_USE_MATH_DEFINES")
# libc++ runs std::thread on Windows' own threads: there is no thread library to link.
# Said here because FindThreads' compile-only checks would "find" a pthreads library that
# does not exist (-lpthreads) and the host's link would fail.
set(CMAKE_HAVE_LIBC_PTHREAD TRUE)
set(CMAKE_THREAD_LIBS_INIT "")
# Read after the platform files, which would otherwise set the suffix back to .dll.
set(CMAKE_USER_MAKE_RULES_OVERRIDE ${CMAKE_CURRENT_LIST_DIR}/cdl64-suffix.cmake)
# Header-only libraries of the host application (tavren-host.exe), when it is built too.
include(${CMAKE_CURRENT_LIST_DIR}/debian-header-libs.cmake)

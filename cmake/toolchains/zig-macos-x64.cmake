# Cross toolchain: macOS x86_64 (Mach-O dylib, macOS 11 or later, static libc++) with zig's
# clang; linked by LLVM's ld64.lld (Debian package lld-14).
set(CMAKE_SYSTEM_NAME Darwin)
set(TAVREN_ZIG_TARGET x86_64-macos)
set(CMAKE_OSX_ARCHITECTURES "" CACHE STRING "" FORCE)
set(CMAKE_OSX_DEPLOYMENT_TARGET "" CACHE STRING "" FORCE)
set(CMAKE_OSX_SYSROOT "" CACHE PATH "" FORCE)
include(${CMAKE_CURRENT_LIST_DIR}/zig-common.cmake)

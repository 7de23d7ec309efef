# Cross toolchain: Windows x64 (PE32+ DLL, MinGW ABI, static libc++) with zig's clang.
# The plug-in library is named tavren.cdl64, the host's name for a 64-bit plug-in.
set(CMAKE_SYSTEM_NAME Windows)
set(TAVREN_ZIG_TARGET x86_64-windows-gnu)
include(${CMAKE_CURRENT_LIST_DIR}/zig-common.cmake)
# Read after the platform files, which would otherwise set the suffix back to .dll.
set(CMAKE_USER_MAKE_RULES_OVERRIDE ${CMAKE_CURRENT_LIST_DIR}/cdl64-suffix.cmake)

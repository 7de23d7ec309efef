# Shared part of the zig cross toolchains; included by zig-windows-x64.cmake and
# zig-macos-x64.cmake after they set TAVREN_ZIG_TARGET (the prefix of a driver in bin/).
# The compilers are small scripts over zig-driver.sh, which supplies the target, appends
# -ffp-contract=off -fno-fast-math to every compile and links the plug-in so that it
# exports only c4d_main with the C++ runtime inside it.
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(CMAKE_C_COMPILER ${CMAKE_CURRENT_LIST_DIR}/bin/${TAVREN_ZIG_TARGET}-cc)
set(CMAKE_CXX_COMPILER ${CMAKE_CURRENT_LIST_DIR}/bin/${TAVREN_ZIG_TARGET}-c++)

# The same floating-point rules as the native build, also for anything compiled outside
# the project's own add_compile_options().
set(CMAKE_C_FLAGS_INIT "-ffp-contract=off -fno-fast-math")
set(CMAKE_CXX_FLAGS_INIT "-ffp-contract=off -fno-fast-math")

# The only shared library of a cross build is the plug-in; its one export is its entry.
set(CMAKE_SHARED_LINKER_FLAGS_INIT "--export=c4d_main")
set(CMAKE_MODULE_LINKER_FLAGS_INIT "--export=c4d_main")

# Compiler checks compile without linking: a link would make zig build the whole C++
# runtime for a throwaway executable.
set(CMAKE_TRY_COMPILE_TARGET_TYPE STATIC_LIBRARY)

# Nothing of the build machine may leak into a cross build.
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

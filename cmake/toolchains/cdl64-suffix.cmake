# Loaded through CMAKE_USER_MAKE_RULES_OVERRIDE by zig-windows-x64.cmake: a Windows plug-in
# library of this host ends in .cdl64, not .dll.
set(CMAKE_SHARED_LIBRARY_SUFFIX ".cdl64")
set(CMAKE_SHARED_MODULE_SUFFIX ".cdl64")

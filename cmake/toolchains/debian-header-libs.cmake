# The host application's header-only libraries for a cross build: tinygltf (with nlohmann's
# json), stb and CLI11, taken as they are from Debian's /usr/include. Each one is linked into
# a folder of the build tree that holds nothing else, and that folder is searched as a system
# folder (its warnings are not ours, as on the native build), so the rest of the build
# machine's /usr/include never reaches the cross compiler.
# Included by zig-windows-x64.cmake; the plug-in's own build does not use these libraries.
set(TAVREN_HEADER_LIBS_DIR ${CMAKE_BINARY_DIR}/header-libs)
file(MAKE_DIRECTORY ${TAVREN_HEADER_LIBS_DIR})
foreach(entry IN ITEMS tiny_gltf.h nlohmann stb CLI)
  if(EXISTS /usr/include/${entry} AND NOT EXISTS ${TAVREN_HEADER_LIBS_DIR}/${entry})
    file(CREATE_LINK /usr/include/${entry} ${TAVREN_HEADER_LIBS_DIR}/${entry} SYMBOLIC)
  endif()
endforeach()
string(APPEND CMAKE_CXX_FLAGS_INIT " -isystem ${TAVREN_HEADER_LIBS_DIR}")

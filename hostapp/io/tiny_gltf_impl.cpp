// The compiled body of tinygltf, in exactly one translation unit. Its own warnings are
// not ours to fix, so they are silenced here and nowhere else.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wall"
#pragma GCC diagnostic ignored "-Wextra"
#define TINYGLTF_IMPLEMENTATION
#include "hostapp/io/tiny_gltf_include.h"
#pragma GCC diagnostic pop

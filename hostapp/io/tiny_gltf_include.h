// The one way the importer includes tinygltf: the same configuration in every file that
// sees its declarations. Images are never decoded or written (the importer needs geometry,
// skins and animation only), and external image files are not read.
#ifndef HOSTAPP_IO_TINY_GLTF_INCLUDE_H
#define HOSTAPP_IO_TINY_GLTF_INCLUDE_H

#define TINYGLTF_NO_STB_IMAGE
#define TINYGLTF_NO_STB_IMAGE_WRITE
#define TINYGLTF_NO_EXTERNAL_IMAGE
// Debian's tinygltf finds nlohmann's header as <nlohmann/json.hpp> (nlohmann-json3-dev).
#include <tiny_gltf.h>

#endif  // HOSTAPP_IO_TINY_GLTF_INCLUDE_H

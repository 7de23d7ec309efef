// Parsing glTF files with tinygltf, guarded: nesting depth checked first, exceptions caught,
// external buffers read only from regular files in the glTF file's folder, images never
// decoded. Internal to the glTF importer.
#ifndef HOSTAPP_IO_GLTF_LOAD_H
#define HOSTAPP_IO_GLTF_LOAD_H

#include <string>

namespace tinygltf {
class Model;
}

namespace hostapp {
namespace io_detail {

// in:  path (for relative buffer URIs: they are looked up in its folder only), the file's bytes
//      (.gltf JSON, or .glb when they start with "glTF").
// out: *model with all buffers loaded; false with *error, one line without the path.
bool LoadGltfModel(const std::string& path, const std::string& bytes, tinygltf::Model* model, std::string* error);

}  // namespace io_detail
}  // namespace hostapp

#endif  // HOSTAPP_IO_GLTF_LOAD_H

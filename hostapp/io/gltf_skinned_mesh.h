// Building a welded, skinned mesh from a glTF node's mesh. Internal to the glTF importer.
#ifndef HOSTAPP_IO_GLTF_SKINNED_MESH_H
#define HOSTAPP_IO_GLTF_SKINNED_MESH_H

#include <string>

#include "hostapp/io/gltf.h"

namespace tinygltf {
class Model;
}

namespace hostapp {
namespace io_detail {

// in:  model; scene with nodes and skins already read; node, a node with a mesh and a skin.
// out: *mesh filled as GltfSkinnedMesh describes, except node_global (the caller knows the
//      hierarchy's transforms); false with *error (without the file name) on missing or
//      inconsistent attributes, indices out of range, negative weights, or a weighted joint
//      index outside the skin.
bool BuildSkinnedMesh(const tinygltf::Model& model, const GltfScene& scene, int32_t node, GltfSkinnedMesh* mesh,
                      std::string* error);

}  // namespace io_detail
}  // namespace hostapp

#endif  // HOSTAPP_IO_GLTF_SKINNED_MESH_H

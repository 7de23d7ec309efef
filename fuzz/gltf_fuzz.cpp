// Fuzz target: the glTF importer on arbitrary bytes (.gltf or .glb), then everything a
// caller does with an accepted scene: evaluating each animation and skinning each mesh.
// Relative buffer URIs resolve in a folder that does not exist, so no file is read.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "hostapp/io/gltf.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string bytes(reinterpret_cast<const char*>(data), size);
  hostapp::GltfScene scene;
  std::string error;
  if (!hostapp::ParseGltf(bytes, "/nonexistent-tavren-fuzz/scene.gltf", &scene, &error)) {
    if (error.empty() || error.find('\n') != std::string::npos) std::abort();
    return 0;
  }
  std::vector<C4D_Matrix> globals;
  std::vector<C4D_Vector> points;
  for (int32_t a = -1; a < static_cast<int32_t>(scene.animations.size()); ++a) {
    const double mid = a < 0 ? 0.0 : 0.5 * (scene.animations[a].start + scene.animations[a].end);
    hostapp::EvaluateNodeGlobals(scene, a, mid, &globals);
    if (globals.size() != scene.nodes.size()) std::abort();
  }
  for (const hostapp::GltfSkinnedMesh& mesh : scene.meshes) {
    hostapp::SkinMeshPoints(scene, mesh, globals, &points);
    if (points.size() != mesh.points.size()) std::abort();
    for (const C4D_CPolygon& p : mesh.polygons) {
      for (int32_t c : {p.a, p.b, p.c, p.d}) {
        if (c < 0 || static_cast<size_t>(c) >= mesh.points.size()) std::abort();
      }
    }
    const size_t k = static_cast<size_t>(mesh.influences);
    if (mesh.joints.size() != mesh.points.size() * k || mesh.weights.size() != mesh.points.size() * k) std::abort();
    for (size_t i = 0; i < mesh.joints.size(); ++i) {
      const int32_t j = mesh.joints[i];
      if (j < 0 || static_cast<size_t>(j) >= scene.skins[mesh.skin].joints.size()) std::abort();
      if (!std::isfinite(mesh.weights[i]) || mesh.weights[i] < 0) std::abort();
    }
  }
  return 0;
}

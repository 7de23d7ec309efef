// A skinned, animated glTF scene as a document of the host: every glTF node an object
// (joints of a skin as joints, other nodes as nulls) in the glTF hierarchy, every skinned
// mesh a polygon object with a weight tag and a skin deformer under it, and the glTF
// animation as keys of the joints, sampled at every frame.
//
// Axes and units: glTF is right-handed, +Y up, in metres; the host is left-handed, +Y up, in
// centimetres. A glTF position (x, y, z) becomes (100 x, 100 y, -100 z), and every glTF
// transform M becomes C * M * inverse(C) with C that change of axes, so rotations stay
// rotations and the scene composes as in the file.
#ifndef HOSTAPP_APP_GLTF_SCENE_H
#define HOSTAPP_APP_GLTF_SCENE_H

#include <cstdint>
#include <vector>

#include "host/abi/c4d_abi.h"
#include "hostapp/io/gltf.h"

namespace hostapp {

class Animation;
class Document;
class Object;
class PolygonObject;
class WeightTag;

// Centimetres per glTF metre.
constexpr double kGltfUnitScale = 100.0;

// in: a glTF position. out: the same position in the host's axes and units.
C4D_Vector GltfToHostPoint(const C4D_Vector& p);
// in: a glTF transform. out: the same transform in the host's axes and units.
C4D_Matrix GltfToHostMatrix(const C4D_Matrix& m);

// A skinned mesh as placed in the document.
struct GltfMeshObjects {
  PolygonObject* mesh = nullptr;  // top level, identity frame, points in global space
  WeightTag* weights = nullptr;   // on the mesh
  Object* skin = nullptr;         // skin deformer, the mesh's only child
  // How the joints' bind matrices were chosen. When the file's rest pose is its bind pose
  // (the largest difference, GltfSkinnedMesh::bind_spread, is within kGltfBindPoseTolerance
  // of the mesh's size), the bind matrices are the joints' rest frames: the unanimated scene
  // then gives back the mesh's points exactly. Otherwise they come from the inverse bind
  // matrices, so skinning matches the file exactly while the rest pose is not the bind pose.
  bool rest_is_bind_pose = true;
};

// Relative tolerance (of the size of the mesh) within which the rest pose counts as the bind pose.
constexpr double kGltfBindPoseTolerance = 1e-5;

struct GltfDocument {
  std::vector<Object*> nodes;           // one per glTF node, by node index
  std::vector<GltfMeshObjects> meshes;  // one per GltfScene::meshes entry, in that order
};

// Builds the scene in doc: the node objects in the glTF hierarchy at their rest frames (each
// root appended at the top level), then per skinned mesh a polygon object named after the
// glTF mesh with the points skinning puts at rest (bind_global applied, then the change of
// axes) and the mesh's triangles, its weight tag (the mesh's joints and weights as imported:
// one slot per influence, joints by their index in the skin) and a skin deformer under it.
// in: scene, doc. out: the objects made; doc owns them.
GltfDocument BuildGltfDocument(const GltfScene& scene, Document& doc);

// in: scene, animation (index into scene.animations), fps > 0. out: *first and *last, the
// frames (frame f at time f / fps) that cover the animation's keys: the last frame at or
// before its start and the first at or after its end (a time within 1e-3 of a frame counts as
// on it). Frame 0 only when the animation index is out of range. Far-off times give frame
// numbers held to +-9e15, so that any file gives a range the caller can check and refuse.
void GltfFrameRange(const GltfScene& scene, int32_t animation, double fps, int64_t* first, int64_t* last);

// Keys for every node the glTF animation moves: at every frame from first to last (time
// frame / fps) its local frame as the file gives it, in the host's axes. The node objects
// of built must still live.
// in: scene, built (from BuildGltfDocument on scene), animation index, fps > 0, first <= last.
// out: *animation holds the tracks (earlier tracks of those objects are replaced).
// in: scene, animation index, frames, the number of frames a run evaluates. out: an
// estimate of the memory those frames take beyond the scene itself: AnimateGltfDocument's keys
// for every node the animation moves and the figures a comparison keeps per frame.
uint64_t GltfRunBytes(const GltfScene& scene, int32_t animation, uint64_t frames);

void AnimateGltfDocument(const GltfScene& scene, const GltfDocument& built, int32_t animation, double fps,
                         int32_t first, int32_t last, Animation* out);

}  // namespace hostapp

#endif  // HOSTAPP_APP_GLTF_SCENE_H

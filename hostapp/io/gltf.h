// Import of skinned, animated glTF 2.0 scenes (.gltf with embedded or separate buffers,
// and .glb) as plain data: the node hierarchy with rest transforms, skins, skinned meshes
// with welded points, and animation channels, plus evaluation of the animated skeleton.
//
// Coordinates, units and winding are glTF's as stored (right-handed, +Y up, metres,
// counter-clockwise front faces); the evaluation module converts to the host's axes.
// Matrices follow the host convention: p maps to off + p.x*v1 + p.y*v2 + p.z*v3.
#ifndef HOSTAPP_IO_GLTF_H
#define HOSTAPP_IO_GLTF_H

#include <cstdint>
#include <string>
#include <vector>

#include "host/abi/c4d_abi.h"

namespace hostapp {

struct GltfNode {
  std::string name;
  int32_t parent = -1;                // node index, -1 for a root
  std::vector<int32_t> children;      // node indices
  C4D_Matrix rest;                    // local transform relative to the parent, unanimated
  bool has_matrix = false;            // rest given as a matrix, not as TRS (cannot be animated)
  C4D_Vector translation{0, 0, 0};    // rest TRS (identity parts when has_matrix)
  double rotation[4] = {0, 0, 0, 1};  // unit quaternion x, y, z, w
  C4D_Vector scale{1, 1, 1};
  int32_t mesh = -1;  // glTF mesh index, -1 for none
  int32_t skin = -1;  // index into GltfScene::skins, -1 for none
};

struct GltfSkin {
  std::string name;
  std::vector<int32_t> joints;           // node indices; a point's joint index refers to this list
  std::vector<C4D_Matrix> inverse_bind;  // one per joint; identity when the file gives none
  int32_t root_joint = 0;                // index into joints: the first joint with no ancestor
                                         // among the skin's joints
};

// One node carrying a mesh and a skin. Points with bit-identical glTF positions are merged
// ("welded") into one point, so that the seams glTF introduces for normals and texture
// coordinates do not split the surface.
struct GltfSkinnedMesh {
  std::string name;        // the glTF mesh's name
  int32_t node = -1;       // the node that carries the mesh
  int32_t skin = -1;       // index into GltfScene::skins
  C4D_Matrix node_global;  // the carrying node's global rest transform
  // Where skinning puts the mesh at rest: global(root joint) * inverse_bind(root joint) in the
  // rest pose, so the skinned rest points are bind_global applied to points. glTF ignores the
  // carrying node's transform for skinned meshes, so this can differ from node_global.
  C4D_Matrix bind_global;
  // The largest difference between any joint's rest global * inverse_bind and bind_global
  // (largest absolute matrix entry). Near 0 when the rest pose is the bind pose.
  double bind_spread = 0;
  std::vector<C4D_Vector> points;      // welded, in order of first appearance
  std::vector<C4D_CPolygon> polygons;  // triangles (c == d), from TRIANGLES primitives
  // glTF vertex -> point. Vertices are numbered across the mesh's TRIANGLES primitives in
  // order: primitive k's vertex i is vertex (sum of earlier primitives' vertex counts) + i.
  std::vector<int32_t> vertex_to_point;
  int32_t influences = 4;       // joints per point: 4 per JOINTS_n/WEIGHTS_n set
  std::vector<int32_t> joints;  // points * influences; index into the skin's joints
  std::vector<float> weights;   // same layout; each point's weights sum to 1
  // How the weights were repaired. A point's weights come from the first glTF vertex welded
  // into it. Sums off 1 by more than kGltfWeightSumTolerance are divided by their sum
  // (counted once per point, and once per glTF vertex). A point whose weights are all zero
  // is bound fully to the skin's root joint, so it follows the skeleton as a whole.
  int32_t normalised_points = 0;
  int32_t normalised_vertices = 0;
  int32_t unweighted_points = 0;
  int32_t weld_conflicts = 0;      // points whose welded vertices had different joints/weights
  int32_t skipped_primitives = 0;  // primitives that are not TRIANGLES (points, lines, strips)
};

constexpr double kGltfWeightSumTolerance = 1e-4;

enum class GltfPath { kTranslation, kRotation, kScale };
enum class GltfInterpolation { kLinear, kStep, kCubicSpline };

// One animated property of one node. CUBICSPLINE keys keep only their value (the tangents
// are dropped) and are then interpolated as LINEAR keys.
struct GltfChannel {
  int32_t node = -1;
  GltfPath path = GltfPath::kTranslation;
  GltfInterpolation interpolation = GltfInterpolation::kLinear;
  std::vector<double> times;   // seconds, non-decreasing, at least one key
  std::vector<double> values;  // per key: 3 numbers (translation, scale) or 4 (rotation x, y, z, w)
};

struct GltfAnimation {
  std::string name;
  std::vector<GltfChannel> channels;
  double start = 0, end = 0;     // the range its keys cover, seconds
  int32_t skipped_channels = 0;  // morph-target weights or channels without a target node
};

struct GltfScene {
  std::vector<GltfNode> nodes;
  std::vector<int32_t> node_order;  // every node once, each parent before its children
  std::vector<GltfSkin> skins;
  std::vector<GltfSkinnedMesh> meshes;  // one per node with both a mesh and a skin, in node order
  std::vector<GltfAnimation> animations;
};

struct GltfReadOptions {
  bool require_skinned_mesh = false;  // fail when no node carries both a mesh and a skin
  // Fail when a node is nested deeper than this (a root node is at depth 1); 0: any depth.
  // The importer itself walks hierarchies without recursion; the limit is for callers that
  // turn nodes into objects of a document, which holds a bounded depth.
  int32_t max_depth = 0;
};

// Reads a glTF 2.0 file (.gltf text with data: URIs or .bin files beside it, or .glb).
// in:  path, options.  out: true with *scene replaced; on false *error is one line starting
//      with the path (missing file, malformed JSON, a missing or refused buffer file, an
//      accessor outside its buffer, a broken or too deep hierarchy, bad joints or weights, no skinned mesh when required) and
//      *scene is unchanged.
bool ReadGltf(const std::string& path, GltfScene* scene, std::string* error,
              const GltfReadOptions& options = GltfReadOptions());

// ReadGltf on the file's bytes already in memory; path names it in messages, and buffers
// given as relative URIs are looked for in path's folder and nowhere else: a URI that is
// absolute, has a scheme other than data:, or leads out of the folder (by ".." or by a
// link) is refused.
bool ParseGltf(const std::string& bytes, const std::string& path, GltfScene* scene, std::string* error,
               const GltfReadOptions& options = GltfReadOptions());

// Global transforms of all nodes at a time of an animation: each animated node's local TRS
// is sampled (LINEAR: lerp for translation and scale, shortest-arc slerp for rotation;
// STEP: the key at or before the time; times outside the keys clamp to the first or last
// key), other nodes keep their rest transform, then transforms compose down the hierarchy.
// in:  scene, animation (index into scene.animations; -1 or out of range: the rest pose),
//      time in seconds.  out: *globals, one matrix per node.
void EvaluateNodeGlobals(const GltfScene& scene, int32_t animation, double time, std::vector<C4D_Matrix>* globals);
// The same for the first animation (the rest pose when there is none).
void EvaluateNodeGlobals(const GltfScene& scene, double time, std::vector<C4D_Matrix>* globals);

// Linear blend skinning as glTF defines it: each point moves by the weighted sum of
// global(joint) * inverse_bind(joint) over its influences. The result is in scene (world)
// space; the carrying node's own transform does not apply.
// in:  scene, mesh (one of scene.meshes), globals from EvaluateNodeGlobals.
// out: *points, one per mesh point.
void SkinMeshPoints(const GltfScene& scene, const GltfSkinnedMesh& mesh, const std::vector<C4D_Matrix>& globals,
                    std::vector<C4D_Vector>* points);

}  // namespace hostapp

#endif  // HOSTAPP_IO_GLTF_H

#include "hostapp/app/gltf_scene.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <memory>
#include <set>
#include <string>

#include "hostapp/app/report.h"
#include "hostapp/eval/animation.h"
#include "hostapp/eval/transform.h"
#include "hostapp/eval/weight_tag.h"
#include "hostapp/scene/document.h"
#include "hostapp/scene/matrix.h"

namespace hostapp {

namespace {

// in: points. out: the length of the diagonal of their bounds; 0 for none.
double BoundsDiagonal(const std::vector<C4D_Vector>& points) {
  if (points.empty()) return 0.0;
  C4D_Vector lo = points[0], hi = points[0];
  for (const C4D_Vector& p : points) {
    lo = C4D_Vector{std::min(lo.x, p.x), std::min(lo.y, p.y), std::min(lo.z, p.z)};
    hi = C4D_Vector{std::max(hi.x, p.x), std::max(hi.y, p.y), std::max(hi.z, p.z)};
  }
  const double x = hi.x - lo.x, y = hi.y - lo.y, z = hi.z - lo.z;
  return std::sqrt(x * x + y * y + z * z);
}

// in: scene. out: the node indices that some skin uses as a joint.
std::set<int32_t> JointNodes(const GltfScene& scene) {
  std::set<int32_t> joints;
  for (const GltfSkin& skin : scene.skins) joints.insert(skin.joints.begin(), skin.joints.end());
  return joints;
}

// in: base name, fallback prefix, index. out: the name, or "<prefix> <index>" when empty.
std::string NameOr(const std::string& name, const char* prefix, size_t index) {
  return name.empty() ? std::string(prefix) + " " + std::to_string(index) : name;
}

// in: scene, mesh, its points in glTF space after bind_global. out: whether the unanimated
// skeleton puts the mesh where the bind pose does, within kGltfBindPoseTolerance of its size.
bool RestIsBindPose(const GltfSkinnedMesh& mesh, const std::vector<C4D_Vector>& placed) {
  const double size = BoundsDiagonal(placed);
  // A matrix entry off by e moves a point by up to e for the translation and e * size for the axes.
  return mesh.bind_spread * std::max(1.0, size) <= kGltfBindPoseTolerance * size;
}

// Builds one skinned mesh's objects. in: scene, mesh, the node objects, doc. out: the objects.
GltfMeshObjects BuildMesh(const GltfScene& scene, const GltfSkinnedMesh& mesh, size_t index,
                          const std::vector<Object*>& nodes, Document& doc) {
  GltfMeshObjects made;
  std::vector<C4D_Vector> placed(mesh.points.size());
  for (size_t i = 0; i < mesh.points.size(); ++i) placed[i] = TransformPoint(mesh.bind_global, mesh.points[i]);
  made.rest_is_bind_pose = RestIsBindPose(mesh, placed);

  auto op = std::make_unique<PolygonObject>();
  op->SetName(NameOr(mesh.name, "Mesh", index));
  op->Points().resize(placed.size());
  for (size_t i = 0; i < placed.size(); ++i) op->Points()[i] = GltfToHostPoint(placed[i]);
  op->Polygons() = mesh.polygons;
  made.mesh = static_cast<PolygonObject*>(doc.AppendObject(std::move(op)));

  const GltfSkin& skin = scene.skins[mesh.skin];
  auto weights = std::make_unique<WeightTag>();
  weights->SetName("Weights");
  std::vector<int32_t> joint_index(skin.joints.size(), -1);
  for (size_t j = 0; j < skin.joints.size(); ++j) {
    const Object& joint = *nodes[skin.joints[j]];
    // Rest pose as bind pose: the joint's own rest frame, so that an unanimated skeleton
    // moves nothing. Otherwise the frame the inverse bind matrix undoes, placed like the mesh.
    const C4D_Matrix bind =
        made.rest_is_bind_pose ? joint.Mg()
                               : GltfToHostMatrix(MultiplyMatrix(mesh.bind_global, InvertMatrix(skin.inverse_bind[j])));
    joint_index[j] = weights->AddJoint(joint, bind);
  }
  const int32_t count = static_cast<int32_t>(mesh.points.size());
  const int32_t k = std::max(1, mesh.influences);
  weights->Resize(count, k);
  for (int32_t i = 0; i < count; ++i) {
    for (int32_t c = 0; c < k; ++c) {
      const size_t slot = static_cast<size_t>(i) * k + c;
      if (slot >= mesh.weights.size() || slot >= mesh.joints.size()) continue;
      const float w = mesh.weights[slot];
      const int32_t j = mesh.joints[slot];
      if (w == 0.0f || j < 0 || static_cast<size_t>(j) >= joint_index.size()) continue;
      weights->SetPair(i, c, joint_index[j], w);
    }
  }
  made.weights = weights.get();
  made.mesh->InsertTag(weights.release(), made.mesh->LastTag());

  auto skin_object = std::make_unique<Object>(C4D_OSKIN);
  skin_object->SetName("Skin");
  made.skin = doc.InsertObject(std::move(skin_object), made.mesh, nullptr);
  return made;
}

}  // namespace

C4D_Vector GltfToHostPoint(const C4D_Vector& p) {
  return C4D_Vector{kGltfUnitScale * p.x, kGltfUnitScale * p.y, -kGltfUnitScale * p.z};
}

C4D_Matrix GltfToHostMatrix(const C4D_Matrix& m) {
  // C * M * inverse(C) with C = scale * diag(1, 1, -1): the axes' entries change sign where
  // exactly one of row and column is z; the scale cancels on them and stays on the offset.
  auto axis = [](const C4D_Vector& v, double column_sign) {
    return C4D_Vector{column_sign * v.x, column_sign * v.y, -column_sign * v.z};
  };
  return C4D_Matrix{GltfToHostPoint(m.off), axis(m.v1, 1.0), axis(m.v2, 1.0), axis(m.v3, -1.0)};
}

GltfDocument BuildGltfDocument(const GltfScene& scene, Document& doc) {
  GltfDocument built;
  const std::set<int32_t> joints = JointNodes(scene);
  built.nodes.assign(scene.nodes.size(), nullptr);
  for (int32_t i : scene.node_order) {
    const GltfNode& node = scene.nodes[i];
    auto op = std::make_unique<Object>(joints.count(i) ? C4D_OJOINT : C4D_ONULL);
    op->SetName(NameOr(node.name, "Node", static_cast<size_t>(i)));
    op->SetMl(GltfToHostMatrix(node.rest));
    Object* parent = node.parent >= 0 ? built.nodes[node.parent] : nullptr;
    built.nodes[i] =
        parent ? doc.InsertObject(std::move(op), parent, parent->DownLast()) : doc.AppendObject(std::move(op));
  }
  for (size_t m = 0; m < scene.meshes.size(); ++m) {
    built.meshes.push_back(BuildMesh(scene, scene.meshes[m], m, built.nodes, doc));
  }
  return built;
}

void GltfFrameRange(const GltfScene& scene, int32_t animation, double fps, int64_t* first, int64_t* last) {
  *first = *last = 0;
  if (animation < 0 || static_cast<size_t>(animation) >= scene.animations.size() || !(fps > 0)) return;
  const GltfAnimation& anim = scene.animations[animation];
  constexpr double kFar = 9e15;  // whole numbers up to here are exact doubles and fit int64
  auto frame = [](double f) { return static_cast<int64_t>(f < kFar ? (f > -kFar ? f : -kFar) : kFar); };
  // Key times are stored as 32-bit floats: a time within a thousandth of a frame counts as on it.
  *first = frame(std::floor(anim.start * fps + 1e-3));
  *last = std::max(*first, frame(std::ceil(anim.end * fps - 1e-3)));
}

uint64_t GltfRunBytes(const GltfScene& scene, int32_t animation, uint64_t frames) {
  std::set<int32_t> moved;
  if (animation >= 0 && static_cast<size_t>(animation) < scene.animations.size()) {
    for (const GltfChannel& ch : scene.animations[animation].channels) moved.insert(ch.node);
  }
  // A vector that grows by doubling may hold up to twice what it keeps.
  const uint64_t per_frame = 2 * moved.size() * sizeof(TransformKey) + 2 * sizeof(FrameReport) + sizeof(int32_t);
  return frames > UINT64_MAX / per_frame ? UINT64_MAX : frames * per_frame;
}

void AnimateGltfDocument(const GltfScene& scene, const GltfDocument& built, int32_t animation, double fps,
                         int32_t first, int32_t last, Animation* out) {
  if (animation < 0 || static_cast<size_t>(animation) >= scene.animations.size()) return;
  // The same nodes and animation without the hierarchy: every node a root, so that the
  // "globals" evaluated are the nodes' local frames as the file samples them.
  GltfScene flat;
  flat.nodes = scene.nodes;
  for (size_t i = 0; i < flat.nodes.size(); ++i) {
    flat.nodes[i].parent = -1;
    flat.nodes[i].children.clear();
    flat.node_order.push_back(static_cast<int32_t>(i));
  }
  flat.animations.push_back(scene.animations[animation]);

  std::set<int32_t> moved;
  for (const GltfChannel& ch : flat.animations[0].channels) {
    if (ch.node >= 0 && static_cast<size_t>(ch.node) < built.nodes.size() && built.nodes[ch.node]) {
      moved.insert(ch.node);
    }
  }
  std::vector<std::vector<TransformKey>> keys(scene.nodes.size());
  std::vector<C4D_Matrix> locals;
  for (int32_t f = first; f <= last; ++f) {
    EvaluateNodeGlobals(flat, 0, f / fps, &locals);
    for (int32_t n : moved)
      keys[n].push_back(TransformKey{static_cast<double>(f), DecomposeMatrix(GltfToHostMatrix(locals[n]))});
  }
  for (int32_t n : moved) out->SetKeys(*built.nodes[n], std::move(keys[n]));
}

}  // namespace hostapp

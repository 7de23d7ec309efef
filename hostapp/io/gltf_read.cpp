#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <string>
#include <vector>

#include "hostapp/io/gltf.h"
#include "hostapp/io/gltf_accessor.h"
#include "hostapp/io/gltf_load.h"
#include "hostapp/io/gltf_skinned_mesh.h"
#include "hostapp/io/gltf_transform.h"
#include "hostapp/io/text_scan.h"
#include "hostapp/io/tiny_gltf_include.h"
#include "hostapp/services/printable.h"

namespace hostapp {

namespace {

using io_detail::Quaternion;
using io_detail::ReadAccessor;

// Converts tinygltf's model into GltfScene, checking what tinygltf leaves unchecked.
class SceneReader {
 public:
  SceneReader(const tinygltf::Model& model, GltfScene* scene) : model_(model), scene_(*scene) {}

  // out: the scene filled; false with error_ set.
  bool Read(const GltfReadOptions& options) {
    if (!ReadNodes() || !OrderNodes() || !DepthFits(options.max_depth) || !ReadSkins() || !ReadAnimations())
      return false;
    std::vector<C4D_Matrix> rest;
    EvaluateNodeGlobals(scene_, -1, 0.0, &rest);
    for (size_t i = 0; i < scene_.nodes.size(); ++i) {
      const GltfNode& n = scene_.nodes[i];
      if (n.mesh < 0 || n.skin < 0) continue;
      GltfSkinnedMesh mesh;
      if (!io_detail::BuildSkinnedMesh(model_, scene_, static_cast<int32_t>(i), &mesh, &error_)) return false;
      mesh.node_global = rest[i];
      SetBindPose(rest, &mesh);
      scene_.meshes.push_back(std::move(mesh));
    }
    if (options.require_skinned_mesh && scene_.meshes.empty()) {
      return Fail("no skinned mesh: no node carries both a mesh and a skin");
    }
    return true;
  }

  const std::string& error() const { return error_; }

 private:
  bool Fail(const std::string& what) {
    error_ = what;
    return false;
  }

  // in: rest globals.  out: mesh->bind_global and bind_spread, as GltfSkinnedMesh describes.
  void SetBindPose(const std::vector<C4D_Matrix>& rest, GltfSkinnedMesh* mesh) const {
    const GltfSkin& skin = scene_.skins[mesh->skin];
    auto bind = [&](size_t j) { return io_detail::MultiplyMatrices(rest[skin.joints[j]], skin.inverse_bind[j]); };
    mesh->bind_global = bind(static_cast<size_t>(skin.root_joint));
    mesh->bind_spread = 0;
    for (size_t j = 0; j < skin.joints.size(); ++j) {
      mesh->bind_spread = std::max(mesh->bind_spread, io_detail::MatrixMaxDifference(bind(j), mesh->bind_global));
    }
  }

  // out: true when every number in v is finite.
  static bool Finite(const std::vector<double>& v) {
    return std::all_of(v.begin(), v.end(), [](double x) { return std::isfinite(x); });
  }

  // out: scene_.nodes with names, rest transforms, children and parents; false when an
  //      index is out of range, a transform is malformed, or a node has two parents.
  bool ReadNodes() {
    const size_t count = model_.nodes.size();
    if (count > static_cast<size_t>(std::numeric_limits<int32_t>::max())) return Fail("too many nodes");
    scene_.nodes.resize(count);
    for (size_t i = 0; i < count; ++i) {
      const tinygltf::Node& src = model_.nodes[i];
      GltfNode& n = scene_.nodes[i];
      const std::string which = "node " + std::to_string(i);
      n.name = src.name;
      if (src.mesh < -1 || src.mesh >= static_cast<int>(model_.meshes.size()))
        return Fail(which + " names a mesh that does not exist");
      if (src.skin < -1 || src.skin >= static_cast<int>(model_.skins.size()))
        return Fail(which + " names a skin that does not exist");
      n.mesh = src.mesh;
      n.skin = src.skin;
      if (!Finite(src.matrix) || !Finite(src.translation) || !Finite(src.rotation) || !Finite(src.scale)) {
        return Fail(which + " has a transform that is not finite");
      }
      if (!src.matrix.empty()) {
        if (src.matrix.size() != 16) return Fail(which + " has a matrix without 16 numbers");
        n.has_matrix = true;
        n.rest = io_detail::MatrixFromColumnMajor(src.matrix.data());
      } else {
        if (!(src.translation.empty() || src.translation.size() == 3) ||
            !(src.rotation.empty() || src.rotation.size() == 4) || !(src.scale.empty() || src.scale.size() == 3)) {
          return Fail(which + " has a translation, rotation or scale of the wrong size");
        }
        if (!src.translation.empty()) n.translation = {src.translation[0], src.translation[1], src.translation[2]};
        if (!src.scale.empty()) n.scale = {src.scale[0], src.scale[1], src.scale[2]};
        Quaternion q;
        if (!src.rotation.empty()) q = {src.rotation[0], src.rotation[1], src.rotation[2], src.rotation[3]};
        q = io_detail::NormalizeQuaternion(q);
        n.rotation[0] = q.x;
        n.rotation[1] = q.y;
        n.rotation[2] = q.z;
        n.rotation[3] = q.w;
        n.rest = io_detail::MatrixFromTrs(n.translation, q, n.scale);
      }
      for (int child : src.children) {
        if (child < 0 || static_cast<size_t>(child) >= count || static_cast<size_t>(child) == i) {
          return Fail(which + " has a child that does not exist");
        }
        n.children.push_back(child);
      }
    }
    for (size_t i = 0; i < count; ++i) {
      for (int32_t child : scene_.nodes[i].children) {
        GltfNode& c = scene_.nodes[child];
        if (c.parent >= 0) return Fail("node " + std::to_string(child) + " has two parents");
        c.parent = static_cast<int32_t>(i);
      }
    }
    return true;
  }

  // Orders nodes parents first (depth first from each root, children in file order).
  // Nodes never reached sit on a cycle.
  bool OrderNodes() {
    std::vector<int32_t> stack;
    for (size_t i = 0; i < scene_.nodes.size(); ++i) {
      if (scene_.nodes[i].parent >= 0) continue;
      stack.push_back(static_cast<int32_t>(i));
      while (!stack.empty()) {
        const int32_t n = stack.back();
        stack.pop_back();
        scene_.node_order.push_back(n);
        const std::vector<int32_t>& ch = scene_.nodes[n].children;
        for (auto it = ch.rbegin(); it != ch.rend(); ++it) stack.push_back(*it);
      }
    }
    if (scene_.node_order.size() != scene_.nodes.size()) return Fail("the node hierarchy has a cycle");
    return true;
  }

  // in: max_depth, 0 for any. out: false when a node is nested deeper (roots at depth 1).
  bool DepthFits(int32_t max_depth) {
    if (max_depth <= 0) return true;
    std::vector<int32_t> depth(scene_.nodes.size(), 1);
    for (int32_t n : scene_.node_order) {  // parents before their children
      const int32_t parent = scene_.nodes[n].parent;
      if (parent >= 0) depth[n] = depth[parent] + 1;
      if (depth[n] > max_depth) {
        return Fail("node " + std::to_string(n) + " is nested deeper than " + std::to_string(max_depth) +
                    " levels, the most a scene holds");
      }
    }
    return true;
  }

  // out: scene_.skins with joints, inverse bind matrices and root joint; false on a joint
  //      that is not a node or too few inverse bind matrices.
  bool ReadSkins() {
    for (size_t s = 0; s < model_.skins.size(); ++s) {
      const tinygltf::Skin& src = model_.skins[s];
      const std::string which = "skin " + std::to_string(s);
      GltfSkin skin;
      skin.name = src.name;
      if (src.joints.empty()) return Fail(which + " has no joints");
      for (int j : src.joints) {
        if (j < 0 || static_cast<size_t>(j) >= scene_.nodes.size())
          return Fail(which + " has a joint that is not a node");
        skin.joints.push_back(j);
      }
      if (src.inverseBindMatrices >= 0) {
        std::vector<double> m;
        size_t count = 0;
        std::string why;
        if (!ReadAccessor(model_, src.inverseBindMatrices, TINYGLTF_TYPE_MAT4, &m, &count, &why)) {
          return Fail(which + " inverse bind matrices: " + why);
        }
        if (count < skin.joints.size()) return Fail(which + " has fewer inverse bind matrices than joints");
        for (size_t j = 0; j < skin.joints.size(); ++j)
          skin.inverse_bind.push_back(io_detail::MatrixFromColumnMajor(&m[16 * j]));
      } else {
        skin.inverse_bind.assign(skin.joints.size(), io_detail::IdentityMatrix());
      }
      skin.root_joint = RootJoint(skin.joints);
      scene_.skins.push_back(std::move(skin));
    }
    return true;
  }

  // out: the index (into joints) of the first joint none of whose ancestors is a joint.
  int32_t RootJoint(const std::vector<int32_t>& joints) const {
    std::vector<bool> is_joint(scene_.nodes.size(), false);
    for (int32_t j : joints) is_joint[j] = true;
    for (size_t k = 0; k < joints.size(); ++k) {
      int32_t a = scene_.nodes[joints[k]].parent;
      while (a >= 0 && !is_joint[a]) a = scene_.nodes[a].parent;
      if (a < 0) return static_cast<int32_t>(k);
    }
    return 0;
  }

  // out: scene_.animations with their channels and time ranges; channels this importer does
  //      not use are counted and skipped. false on a bad target, sampler or key data.
  bool ReadAnimations() {
    for (size_t a = 0; a < model_.animations.size(); ++a) {
      const tinygltf::Animation& src = model_.animations[a];
      GltfAnimation anim;
      anim.name = src.name;
      bool any = false;
      for (size_t c = 0; c < src.channels.size(); ++c) {
        const std::string which = "animation " + std::to_string(a) + " channel " + std::to_string(c);
        const tinygltf::AnimationChannel& ch = src.channels[c];
        GltfChannel out;
        int components = 3;
        if (ch.target_path == "translation")
          out.path = GltfPath::kTranslation;
        else if (ch.target_path == "scale")
          out.path = GltfPath::kScale;
        else if (ch.target_path == "rotation")
          out.path = GltfPath::kRotation, components = 4;
        else {
          ++anim.skipped_channels;  // morph-target weights, or a path from an extension
          continue;
        }
        if (ch.target_node < 0) {
          ++anim.skipped_channels;
          continue;
        }
        if (static_cast<size_t>(ch.target_node) >= scene_.nodes.size())
          return Fail(which + " targets a node that does not exist");
        if (scene_.nodes[ch.target_node].has_matrix)
          return Fail(which + " animates a node whose transform is a matrix");
        out.node = ch.target_node;
        if (ch.sampler < 0 || static_cast<size_t>(ch.sampler) >= src.samplers.size()) {
          return Fail(which + " uses a sampler that does not exist");
        }
        if (!ReadSampler(src.samplers[ch.sampler], components, which, &out)) return false;
        anim.start = any ? std::min(anim.start, out.times.front()) : out.times.front();
        anim.end = any ? std::max(anim.end, out.times.back()) : out.times.back();
        any = true;
        anim.channels.push_back(std::move(out));
      }
      scene_.animations.push_back(std::move(anim));
    }
    return true;
  }

  // in: sampler, components per value (3 or 4).  out: times, values and interpolation of *ch.
  bool ReadSampler(const tinygltf::AnimationSampler& s, int components, const std::string& which, GltfChannel* ch) {
    if (s.interpolation.empty() || s.interpolation == "LINEAR")
      ch->interpolation = GltfInterpolation::kLinear;
    else if (s.interpolation == "STEP")
      ch->interpolation = GltfInterpolation::kStep;
    else if (s.interpolation == "CUBICSPLINE")
      ch->interpolation = GltfInterpolation::kCubicSpline;
    else
      return Fail(which + ": unknown interpolation '" + s.interpolation + "'");
    size_t keys = 0, outputs = 0;
    std::vector<double> values;
    std::string why;
    if (!ReadAccessor(model_, s.input, TINYGLTF_TYPE_SCALAR, &ch->times, &keys, &why))
      return Fail(which + " times: " + why);
    if (!ReadAccessor(model_, s.output, components == 4 ? TINYGLTF_TYPE_VEC4 : TINYGLTF_TYPE_VEC3, &values, &outputs,
                      &why)) {
      return Fail(which + " values: " + why);
    }
    if (keys == 0) return Fail(which + " has no keys");
    for (size_t k = 1; k < keys; ++k) {
      if (ch->times[k] < ch->times[k - 1]) return Fail(which + " has key times that go backwards");
    }
    const bool cubic = ch->interpolation == GltfInterpolation::kCubicSpline;
    if (outputs != (cubic ? 3 * keys : keys))
      return Fail(which + " has a value count that does not match its key count");
    if (!cubic) {
      ch->values = std::move(values);
    } else {  // per key: in-tangent, value, out-tangent; keep the value
      ch->values.resize(keys * components);
      for (size_t k = 0; k < keys; ++k) {
        std::copy_n(&values[(3 * k + 1) * components], components, &ch->values[k * components]);
      }
    }
    return true;
  }

  const tinygltf::Model& model_;
  GltfScene& scene_;
  std::string error_;
};

// in: head, the first bytes of a file; size, its size. out: true when it may be glTF: binary
// glTF of version 2 whose header does not announce more bytes than the file has, or text
// whose first character (after a byte order mark and blanks) opens a JSON object; false
// with *why otherwise.
bool GltfHeadIsPlausible(const std::string& head, uint64_t size, std::string* why) {
  if (head.compare(0, 4, "glTF") == 0) {
    if (head.size() < 12) {
      *why = "truncated: the binary glTF header is incomplete";
      return false;
    }
    uint32_t version = 0, length = 0;
    std::memcpy(&version, head.data() + 4, 4);
    std::memcpy(&length, head.data() + 8, 4);
    if (version != 2) {
      *why = "binary glTF of version " + std::to_string(version) + " (this importer reads version 2)";
      return false;
    }
    if (length > size) {
      *why = "truncated: the binary glTF header announces " + std::to_string(length) + " bytes, the file has " +
             std::to_string(size);
      return false;
    }
    return true;
  }
  size_t i = head.compare(0, 3, "\xef\xbb\xbf") == 0 ? 3 : 0;
  while (i < head.size() && (head[i] == ' ' || head[i] == '\t' || head[i] == '\n' || head[i] == '\r')) ++i;
  if (i < head.size() && head[i] != '{') {
    *why = "not a glTF file (neither binary glTF nor a JSON object)";
    return false;
  }
  if (size == 0) {
    *why = "empty file, not a glTF file";
    return false;
  }
  return true;
}

}  // namespace

bool ReadGltf(const std::string& path, GltfScene* scene, std::string* error, const GltfReadOptions& options) {
  // The head first: a file that is neither binary glTF nor JSON is refused before it is read.
  std::string head;
  uint64_t size = 0;
  if (!io_detail::ReadFileHead(path, 256, &head, &size, error)) return false;
  std::string why;
  if (!GltfHeadIsPlausible(head, size, &why)) {
    if (error) *error = PrintableText(path) + ": " + why;
    return false;
  }
  std::string bytes;
  if (!io_detail::ReadWholeFile(path, &bytes, error)) return false;
  return ParseGltf(bytes, path, scene, error, options);
}

bool ParseGltf(const std::string& bytes, const std::string& path, GltfScene* scene, std::string* error,
               const GltfReadOptions& options) {
  std::string why;
  tinygltf::Model model;
  GltfScene result;
  bool ok = io_detail::LoadGltfModel(path, bytes, &model, &why);
  if (ok) {
    SceneReader reader(model, &result);
    ok = reader.Read(options);
    if (!ok) why = reader.error();
  }
  if (!ok) {
    if (error) *error = path + ": " + why;
    return false;
  }
  *scene = std::move(result);
  return true;
}

}  // namespace hostapp

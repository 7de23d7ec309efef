#include "hostapp/io/gltf_skinned_mesh.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <limits>
#include <unordered_map>
#include <vector>

#include "hostapp/io/gltf_accessor.h"
#include "hostapp/io/tiny_gltf_include.h"

namespace hostapp {
namespace io_detail {

namespace {

// A position as the bits of its coordinates, for welding. -0 and +0 are the same position.
struct PositionKey {
  uint64_t bits[3];
  bool operator==(const PositionKey& o) const { return std::memcmp(bits, o.bits, sizeof bits) == 0; }
};

struct PositionKeyHash {
  size_t operator()(const PositionKey& k) const {
    uint64_t h = 0xcbf29ce484222325ull;
    for (uint64_t b : k.bits) h = (h ^ b) * 0x100000001b3ull ^ (b >> 29);
    return static_cast<size_t>(h);
  }
};

// out: the welding key of a position.
PositionKey KeyOf(double x, double y, double z) {
  PositionKey k;
  const double c[3] = {x + 0.0, y + 0.0, z + 0.0};  // + 0.0 turns -0 into +0
  for (int i = 0; i < 3; ++i) std::memcpy(&k.bits[i], &c[i], sizeof(double));
  return k;
}

// A number for a message: integers without a fraction.
std::string NumberText(double x) {
  if (x == std::floor(x) && std::fabs(x) < 1e15) return std::to_string(static_cast<int64_t>(x));
  return std::to_string(x);
}

// out: true for a primitive of separate triangles (the default mode).
bool IsTriangles(const tinygltf::Primitive& p) { return p.mode == TINYGLTF_MODE_TRIANGLES || p.mode == -1; }

// in: a primitive. out: how many complete JOINTS_n/WEIGHTS_n pairs it has, counting n from 0.
int InfluenceSets(const tinygltf::Primitive& p) {
  int sets = 0;
  while (p.attributes.count("JOINTS_" + std::to_string(sets)) &&
         p.attributes.count("WEIGHTS_" + std::to_string(sets))) {
    ++sets;
  }
  return sets;
}

// The influences of one glTF vertex, already checked: zero weights carry joint 0.
struct Influences {
  std::vector<int32_t> joints;
  std::vector<float> weights;
};

class MeshBuilder {
 public:
  MeshBuilder(const tinygltf::Model& model, const GltfSkin& skin, GltfSkinnedMesh* out)
      : model_(model), skin_(skin), out_(out) {}

  // in: the glTF mesh.  out: *out filled; false with error_ set.
  bool Build(const tinygltf::Mesh& mesh, int32_t mesh_index) {
    mesh_index_ = mesh_index;
    int sets = 0;
    for (size_t p = 0; p < mesh.primitives.size(); ++p) {
      if (!IsTriangles(mesh.primitives[p])) continue;
      const int s = InfluenceSets(mesh.primitives[p]);
      if (s == 0) return Fail(p, "has no JOINTS_0 and WEIGHTS_0, but its node has a skin");
      sets = std::max(sets, s);
    }
    out_->influences = 4 * sets;
    for (size_t p = 0; p < mesh.primitives.size(); ++p) {
      if (!IsTriangles(mesh.primitives[p])) {
        ++out_->skipped_primitives;
        continue;
      }
      if (!AddPrimitive(mesh.primitives[p], p)) return false;
    }
    if (out_->polygons.empty()) return Fail(0, "has no triangles");
    NormaliseWeights();
    return true;
  }

  const std::string& error() const { return error_; }

 private:
  bool Fail(size_t primitive, const std::string& what) {
    error_ = "mesh " + std::to_string(mesh_index_) + " primitive " + std::to_string(primitive) + " " + what;
    return false;
  }

  // in: primitive, attribute name, expected type.  out: the accessor's values and count.
  bool ReadAttribute(const tinygltf::Primitive& prim, size_t p, const std::string& name, int type,
                     std::vector<double>* values, size_t* count) {
    auto it = prim.attributes.find(name);
    if (it == prim.attributes.end()) return Fail(p, "has no " + name);
    std::string why;
    if (!ReadAccessor(model_, it->second, type, values, count, &why)) return Fail(p, name + ": " + why);
    return true;
  }

  // in: a TRIANGLES primitive and its index.  out: its vertices welded into the points, its
  //     influences, vertex_to_point and triangles appended; false with error_ set.
  bool AddPrimitive(const tinygltf::Primitive& prim, size_t p) {
    size_t n = 0, count = 0;
    std::vector<double> positions;
    if (!ReadAttribute(prim, p, "POSITION", TINYGLTF_TYPE_VEC3, &positions, &n)) return false;
    const int sets = InfluenceSets(prim);
    std::vector<std::vector<double>> joints(sets), weights(sets);
    for (int s = 0; s < sets; ++s) {
      const std::string k = std::to_string(s);
      if (!ReadAttribute(prim, p, "JOINTS_" + k, TINYGLTF_TYPE_VEC4, &joints[s], &count)) return false;
      if (count != n)
        return Fail(
            p, "JOINTS_" + k + " has " + std::to_string(count) + " entries for " + std::to_string(n) + " vertices");
      if (!ReadAttribute(prim, p, "WEIGHTS_" + k, TINYGLTF_TYPE_VEC4, &weights[s], &count)) return false;
      if (count != n)
        return Fail(
            p, "WEIGHTS_" + k + " has " + std::to_string(count) + " entries for " + std::to_string(n) + " vertices");
    }
    const size_t base = out_->vertex_to_point.size();
    if (n > static_cast<size_t>(std::numeric_limits<int32_t>::max()) - base) return Fail(p, "has too many vertices");

    const size_t k_inf = static_cast<size_t>(out_->influences);
    Influences inf;
    for (size_t v = 0; v < n; ++v) {
      if (!ReadInfluences(joints, weights, v, p, &inf)) return false;
      const double* xyz = &positions[3 * v];
      auto [it, added] = weld_.emplace(KeyOf(xyz[0], xyz[1], xyz[2]), static_cast<int32_t>(out_->points.size()));
      const int32_t point = it->second;
      if (added) {
        out_->points.push_back(C4D_Vector{xyz[0], xyz[1], xyz[2]});
        out_->joints.insert(out_->joints.end(), inf.joints.begin(), inf.joints.end());
        out_->weights.insert(out_->weights.end(), inf.weights.begin(), inf.weights.end());
        conflict_.push_back(false);
      } else if (!conflict_[point] &&
                 (!std::equal(inf.joints.begin(), inf.joints.end(), out_->joints.begin() + point * k_inf) ||
                  !std::equal(inf.weights.begin(), inf.weights.end(), out_->weights.begin() + point * k_inf))) {
        conflict_[point] = true;
        ++out_->weld_conflicts;
      }
      out_->vertex_to_point.push_back(point);
    }

    std::vector<double> index_values;
    if (prim.indices >= 0) {
      std::string why;
      if (!ReadAccessor(model_, prim.indices, TINYGLTF_TYPE_SCALAR, &index_values, &count, &why)) {
        return Fail(p, "indices: " + why);
      }
    } else {
      index_values.resize(n);
      for (size_t v = 0; v < n; ++v) index_values[v] = static_cast<double>(v);
    }
    if (index_values.size() % 3 != 0) return Fail(p, "has an index count that is not a multiple of 3");
    int32_t corner[3];
    for (size_t i = 0; i < index_values.size(); i += 3) {
      for (int c = 0; c < 3; ++c) {
        const double x = index_values[i + c];
        if (!(x >= 0 && x < static_cast<double>(n)) || x != std::floor(x)) {
          char value[32];
          std::snprintf(value, sizeof value, "%.17g", x);
          return Fail(p, "indices: entry " + std::to_string(i + c) + " is " + value + ", out of range (" +
                             std::to_string(n) + " vertices)");
        }
        corner[c] = out_->vertex_to_point[base + static_cast<size_t>(x)];
      }
      out_->polygons.push_back(C4D_CPolygon{corner[0], corner[1], corner[2], corner[2]});
    }
    return true;
  }

  // in: one vertex's raw joints and weights per set.  out: *inf with influences() entries,
  //     zero-padded; counts the vertex when its sum is off 1. false on a negative weight or
  //     a weighted joint that is not in the skin.
  bool ReadInfluences(const std::vector<std::vector<double>>& joints, const std::vector<std::vector<double>>& weights,
                      size_t v, size_t p, Influences* inf) {
    const size_t k_inf = static_cast<size_t>(out_->influences);
    inf->joints.assign(k_inf, 0);
    inf->weights.assign(k_inf, 0.0f);
    double sum = 0;
    for (size_t s = 0; s < joints.size(); ++s) {
      for (size_t c = 0; c < 4; ++c) {
        const double w = weights[s][4 * v + c];
        const double j = joints[s][4 * v + c];
        if (w < 0) return Fail(p, "vertex " + std::to_string(v) + " has a negative weight");
        if (w == 0) continue;
        if (!(j >= 0 && j < static_cast<double>(skin_.joints.size())) || j != std::floor(j)) {
          return Fail(p, "vertex " + std::to_string(v) + " uses joint " + NumberText(j) + ", but the skin has " +
                             std::to_string(skin_.joints.size()) + " joints");
        }
        inf->joints[4 * s + c] = static_cast<int32_t>(j);
        inf->weights[4 * s + c] = static_cast<float>(w);
        sum += w;
      }
    }
    if (sum > 0 && std::fabs(sum - 1.0) > kGltfWeightSumTolerance) ++out_->normalised_vertices;
    return true;
  }

  // Makes every point's weights sum to 1 as GltfSkinnedMesh describes.
  void NormaliseWeights() {
    const size_t k_inf = static_cast<size_t>(out_->influences);
    for (size_t i = 0; i < out_->points.size(); ++i) {
      float* w = &out_->weights[i * k_inf];
      int32_t* j = &out_->joints[i * k_inf];
      double sum = 0;
      for (size_t c = 0; c < k_inf; ++c) sum += w[c];
      if (sum == 0) {
        j[0] = skin_.root_joint;
        w[0] = 1.0f;
        ++out_->unweighted_points;
      } else if (std::fabs(sum - 1.0) > kGltfWeightSumTolerance) {
        for (size_t c = 0; c < k_inf; ++c) w[c] = static_cast<float>(w[c] / sum);
        ++out_->normalised_points;
      }
    }
  }

  const tinygltf::Model& model_;
  const GltfSkin& skin_;
  GltfSkinnedMesh* out_;
  int32_t mesh_index_ = 0;
  std::unordered_map<PositionKey, int32_t, PositionKeyHash> weld_;
  std::vector<bool> conflict_;  // per point: a welded vertex disagreed on its influences
  std::string error_;
};

}  // namespace

bool BuildSkinnedMesh(const tinygltf::Model& model, const GltfScene& scene, int32_t node, GltfSkinnedMesh* mesh,
                      std::string* error) {
  const GltfNode& n = scene.nodes[node];
  const tinygltf::Mesh& source = model.meshes[n.mesh];
  GltfSkinnedMesh result;
  result.name = source.name;
  result.node = node;
  result.skin = n.skin;
  MeshBuilder builder(model, scene.skins[n.skin], &result);
  if (!builder.Build(source, n.mesh)) {
    *error = builder.error();
    return false;
  }
  *mesh = std::move(result);
  return true;
}

}  // namespace io_detail
}  // namespace hostapp

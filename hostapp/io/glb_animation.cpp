#include "hostapp/io/glb_animation.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <exception>
#include <limits>
#include <ostream>
#include <streambuf>
#include <utility>

#include "hostapp/io/atomic_file.h"
#include "hostapp/io/tiny_gltf_include.h"

namespace hostapp {

namespace {

// glTF metres per host centimetre.
constexpr double kMetresPerUnit = 0.01;
// The largest file written: tinygltf (and with it our own importer) and several other readers
// take a file's size as a signed 32-bit number.
constexpr uint64_t kLargestFile = 0x7fffffffu;
// What the JSON part takes at most per morph target (its accessor with bounds, buffer view,
// target entry and name), and for everything else.
constexpr uint64_t kJsonPerTarget = 600;
constexpr uint64_t kJsonFixed = 4096;

// in: a host point. out: *out, the same point in glTF axes and units.
void ToGltf(const C4D_Vector& p, double out[3]) {
  out[0] = p.x * kMetresPerUnit;
  out[1] = p.y * kMetresPerUnit;
  out[2] = -p.z * kMetresPerUnit;
}

bool Finite(const C4D_Vector& p) { return std::isfinite(p.x) && std::isfinite(p.y) && std::isfinite(p.z); }

// in: xyz, three floats per point. out: min x, y, z then max x, y, z.
std::vector<double> Bounds(const float* xyz, size_t points) {
  std::vector<double> b = {std::numeric_limits<double>::infinity(), std::numeric_limits<double>::infinity(),
                           std::numeric_limits<double>::infinity(), -std::numeric_limits<double>::infinity(),
                           -std::numeric_limits<double>::infinity(), -std::numeric_limits<double>::infinity()};
  for (size_t i = 0; i < points; ++i) {
    for (int k = 0; k < 3; ++k) {
      b[k] = std::min(b[k], static_cast<double>(xyz[3 * i + k]));
      b[3 + k] = std::max(b[3 + k], static_cast<double>(xyz[3 * i + k]));
    }
  }
  return b;
}

// in: frame. out: "frame_NNNN" (at least four digits), as the output meshes are numbered.
std::string TargetName(int32_t frame) {
  char name[32];
  std::snprintf(name, sizeof name, "frame_%04d", static_cast<int>(frame));
  return name;
}

// Hands what an std::ostream writes to a C file (the atomic writer's temporary file).
class FileBuffer : public std::streambuf {
 public:
  explicit FileBuffer(std::FILE* file) : file_(file) {}

 protected:
  std::streamsize xsputn(const char* s, std::streamsize n) override {
    return static_cast<std::streamsize>(std::fwrite(s, 1, static_cast<size_t>(n), file_));
  }
  int_type overflow(int_type c) override {
    if (traits_type::eq_int_type(c, traits_type::eof())) return traits_type::not_eof(c);
    return std::fputc(traits_type::to_char_type(c), file_) == EOF ? traits_type::eof() : c;
  }

 private:
  std::FILE* file_;
};

// Builds the model's one buffer, its views and accessors.
class ModelBuilder {
 public:
  ModelBuilder(tinygltf::Model* model, uint64_t bytes) : model_(model) {
    model_->buffers.resize(1);
    model_->buffers[0].data.reserve(static_cast<size_t>(bytes));
  }

  // in: data (count elements of type, each of component floats or uint32), target of the
  // view (0 for none), bounds (empty or min then max). out: the new accessor's index.
  int Add(const void* data, size_t count, int type, int component, int target, std::vector<double> bounds = {}) {
    std::vector<unsigned char>& bin = model_->buffers[0].data;
    const size_t per = static_cast<size_t>(tinygltf::GetNumComponentsInType(static_cast<uint32_t>(type))) * 4;
    tinygltf::BufferView view;
    view.buffer = 0;
    view.byteOffset = bin.size();
    view.byteLength = count * per;
    view.target = target;
    bin.insert(bin.end(), static_cast<const unsigned char*>(data),
               static_cast<const unsigned char*>(data) + view.byteLength);
    model_->bufferViews.push_back(view);
    tinygltf::Accessor accessor;
    accessor.bufferView = static_cast<int>(model_->bufferViews.size() - 1);
    accessor.componentType = component;
    accessor.count = count;
    accessor.type = type;
    if (!bounds.empty()) {
      const size_t half = bounds.size() / 2;
      accessor.minValues.assign(bounds.begin(), bounds.begin() + static_cast<std::ptrdiff_t>(half));
      accessor.maxValues.assign(bounds.begin() + static_cast<std::ptrdiff_t>(half), bounds.end());
    }
    model_->accessors.push_back(std::move(accessor));
    return static_cast<int>(model_->accessors.size() - 1);
  }

 private:
  tinygltf::Model* model_;
};

}  // namespace

GlbAnimationWriter::GlbAnimationWriter(std::string kind, double fps) : kind_(std::move(kind)), fps_(fps) {}

bool GlbAnimationWriter::AddMesh(const std::string& name, const Mesh& rest, std::string* error) {
  if (!frames_.empty()) {
    *error = name + ": meshes must be added before the first frame";
    return false;
  }
  if (rest.polygons.empty() || rest.points.empty()) {
    *error = name + ": the mesh has no polygon";
    return false;
  }
  MeshData m;
  m.name = name;
  m.rest.reserve(3 * rest.points.size());
  for (const C4D_Vector& p : rest.points) {
    if (!Finite(p)) {
      *error = name + ": the mesh has points that are not finite";
      return false;
    }
    double g[3];
    ToGltf(p, g);
    for (double v : g) m.rest.push_back(static_cast<float>(v));
  }
  const int64_t n = static_cast<int64_t>(rest.points.size());
  for (size_t i = 0; i < rest.polygons.size(); ++i) {
    const C4D_CPolygon& q = rest.polygons[i];
    for (int32_t corner : {q.a, q.b, q.c, q.d}) {
      if (corner < 0 || corner >= n) {
        *error = name + ": polygon " + std::to_string(i) + " has a corner index out of range";
        return false;
      }
    }
    const uint32_t a = static_cast<uint32_t>(q.a), b = static_cast<uint32_t>(q.b), c = static_cast<uint32_t>(q.c),
                   d = static_cast<uint32_t>(q.d);
    m.indices.insert(m.indices.end(), {a, c, b});  // reversed for the mirrored axes
    if (q.c == q.d) {
      m.sides += '3';
    } else {
      m.indices.insert(m.indices.end(), {a, d, c});
      m.sides += '4';
    }
  }
  meshes_.push_back(std::move(m));
  return true;
}

bool GlbAnimationWriter::AddFrame(int32_t frame, const std::vector<std::vector<C4D_Vector>>& points,
                                  std::string* error) {
  const std::string at = "frame " + std::to_string(frame);
  if (frame < 0 || (!frames_.empty() && frame <= frames_.back())) {
    *error = at + ": frames must be 0 or later and increasing";
    return false;
  }
  if (points.size() != meshes_.size()) {
    *error = at + ": " + std::to_string(points.size()) + " meshes given, " + std::to_string(meshes_.size()) + " added";
    return false;
  }
  for (size_t i = 0; i < meshes_.size(); ++i) {
    if (points[i].size() * 3 != meshes_[i].rest.size()) {
      *error = at + ": " + meshes_[i].name + " has " + std::to_string(points[i].size()) + " points, not " +
               std::to_string(meshes_[i].rest.size() / 3);
      return false;
    }
    if (!std::all_of(points[i].begin(), points[i].end(), Finite)) {
      *error = at + ": " + meshes_[i].name + " has points that are not finite";
      return false;
    }
  }
  for (size_t i = 0; i < meshes_.size(); ++i) {
    MeshData& m = meshes_[i];
    const size_t start = m.displacements.size();
    m.displacements.resize(start + m.rest.size());
    float* out = m.displacements.data() + start;
    // Against the rest as stored, so that rest + displacement comes as close to the frame's
    // point as floats allow.
    for (size_t p = 0; p < points[i].size(); ++p) {
      double g[3];
      ToGltf(points[i][p], g);
      for (int k = 0; k < 3; ++k) out[3 * p + k] = static_cast<float>(g[k] - static_cast<double>(m.rest[3 * p + k]));
    }
    for (double b : Bounds(out, points[i].size())) m.bounds.push_back(static_cast<float>(b));
  }
  frames_.push_back(frame);
  return true;
}

bool GlbAnimationWriter::Fits(size_t frames, std::string* error) const {
  const uint64_t f = frames;
  uint64_t bytes = kJsonFixed + 4 * f + 4 * f * f;  // times and the one-hot weights
  for (const MeshData& m : meshes_) {
    bytes += 4 * (m.rest.size() + m.indices.size()) + m.sides.size();
    bytes += f * (4 * static_cast<uint64_t>(m.rest.size()) + kJsonPerTarget);
  }
  if (bytes <= kLargestFile) return true;
  char text[200];
  std::snprintf(text, sizeof text, "%zu frames would make a glTF file of about %.1f GiB; at most 2 GiB can be read",
                frames, static_cast<double>(bytes) / (1024.0 * 1024.0 * 1024.0));
  *error = text;
  return false;
}

bool GlbAnimationWriter::Write(const std::string& path, std::string* error) const {
  if (meshes_.empty() || frames_.empty()) {
    *error = path + ": nothing to write (" + (meshes_.empty() ? "no mesh" : "no frame") + ")";
    return false;
  }
  if (!(fps_ > 0) || !std::isfinite(fps_)) {
    *error = path + ": frames per second must be above 0";
    return false;
  }
  std::string size_error;
  if (!Fits(frames_.size(), &size_error)) {
    *error = path + ": " + size_error;
    return false;
  }
  const size_t f = frames_.size();
  uint64_t bytes = 4 * f + 4 * f * f;
  for (const MeshData& m : meshes_) bytes += 4 * (m.rest.size() + m.indices.size() + m.displacements.size());

  try {
    tinygltf::Model model;
    model.asset.version = "2.0";
    model.asset.generator = "tavren-host";
    tinygltf::Value::Array frame_values;
    tinygltf::Value::Array target_names;
    for (int32_t frame : frames_) {
      frame_values.emplace_back(static_cast<int>(frame));
      target_names.emplace_back(TargetName(frame));
    }
    tinygltf::Value::Object info;
    info["kind"] = tinygltf::Value(kind_);
    info["fps"] = tinygltf::Value(fps_);
    info["frames"] = tinygltf::Value(std::move(frame_values));
    tinygltf::Value::Object asset_extras;
    asset_extras["tavren"] = tinygltf::Value(std::move(info));
    model.asset.extras = tinygltf::Value(std::move(asset_extras));

    ModelBuilder build(&model, bytes);
    std::vector<float> times(f);
    for (size_t i = 0; i < f; ++i) times[i] = static_cast<float>(frames_[i] / fps_);
    for (size_t i = 1; i < f; ++i) {
      if (!(times[i] > times[i - 1])) {
        *error = path + ": frames " + std::to_string(frames_[i - 1]) + " and " + std::to_string(frames_[i]) +
                 " fall on the same time at " + std::to_string(fps_) + " frames per second";
        return false;
      }
    }
    const int time_accessor = build.Add(times.data(), f, TINYGLTF_TYPE_SCALAR, TINYGLTF_COMPONENT_TYPE_FLOAT, 0,
                                        {times.front(), times.back()});
    std::vector<float> weights(f * f, 0.0f);
    for (size_t i = 0; i < f; ++i) weights[i * f + i] = 1.0f;
    const int weight_accessor =
        build.Add(weights.data(), weights.size(), TINYGLTF_TYPE_SCALAR, TINYGLTF_COMPONENT_TYPE_FLOAT, 0);
    weights = std::vector<float>();

    tinygltf::Animation animation;
    animation.name = kind_;
    tinygltf::Scene scene;
    for (const MeshData& m : meshes_) {
      const size_t points = m.rest.size() / 3;
      tinygltf::Primitive primitive;
      primitive.mode = TINYGLTF_MODE_TRIANGLES;
      primitive.indices = build.Add(m.indices.data(), m.indices.size(), TINYGLTF_TYPE_SCALAR,
                                    TINYGLTF_COMPONENT_TYPE_UNSIGNED_INT, TINYGLTF_TARGET_ELEMENT_ARRAY_BUFFER);
      primitive.attributes["POSITION"] = build.Add(m.rest.data(), points, TINYGLTF_TYPE_VEC3,
                                                   TINYGLTF_COMPONENT_TYPE_FLOAT, TINYGLTF_TARGET_ARRAY_BUFFER,
                                                   Bounds(m.rest.data(), points));
      for (size_t k = 0; k < f; ++k) {
        std::vector<double> bounds(m.bounds.begin() + static_cast<std::ptrdiff_t>(6 * k),
                                   m.bounds.begin() + static_cast<std::ptrdiff_t>(6 * k + 6));
        primitive.targets.push_back({{"POSITION", build.Add(m.displacements.data() + k * 3 * points, points,
                                                            TINYGLTF_TYPE_VEC3, TINYGLTF_COMPONENT_TYPE_FLOAT,
                                                            TINYGLTF_TARGET_ARRAY_BUFFER, std::move(bounds))}});
      }
      tinygltf::Mesh mesh;
      mesh.name = m.name;
      mesh.primitives.push_back(std::move(primitive));
      tinygltf::Value::Object mesh_info;
      mesh_info["sides"] = tinygltf::Value(m.sides);
      tinygltf::Value::Object mesh_extras;
      mesh_extras["targetNames"] = tinygltf::Value(target_names);
      mesh_extras["tavren"] = tinygltf::Value(std::move(mesh_info));
      mesh.extras = tinygltf::Value(std::move(mesh_extras));
      model.meshes.push_back(std::move(mesh));

      tinygltf::Node node;
      node.name = m.name;
      node.mesh = static_cast<int>(model.meshes.size() - 1);
      model.nodes.push_back(std::move(node));
      scene.nodes.push_back(static_cast<int>(model.nodes.size() - 1));

      tinygltf::AnimationSampler sampler;
      sampler.input = time_accessor;
      sampler.output = weight_accessor;
      sampler.interpolation = "STEP";
      animation.samplers.push_back(sampler);
      tinygltf::AnimationChannel channel;
      channel.sampler = static_cast<int>(animation.samplers.size() - 1);
      channel.target_node = static_cast<int>(model.nodes.size() - 1);
      channel.target_path = "weights";
      animation.channels.push_back(channel);
    }
    model.scenes.push_back(std::move(scene));
    model.defaultScene = 0;
    model.animations.push_back(std::move(animation));

    return WriteFileAtomically(
        path,
        [&model](std::FILE* file, std::string* write_error) {
          FileBuffer buffer(file);
          std::ostream stream(&buffer);
          tinygltf::TinyGLTF writer;
          if (!writer.WriteGltfSceneToStream(&model, stream, false, true) || !stream || std::ferror(file)) {
            *write_error = std::string("write failed: ") + std::strerror(errno);
            return false;
          }
          return true;
        },
        error);
  } catch (const std::exception& e) {
    *error = path + ": cannot build the glTF file: " + e.what();
    return false;
  }
}

}  // namespace hostapp

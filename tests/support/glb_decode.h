// Reading back the animations written as .glb, independently of the writer: the file loaded
// with tinygltf, accessors decoded from the buffer, and a morph target's positions taken back
// to the host's axes and units, for comparing with the meshes written as OBJ.
#ifndef TESTS_SUPPORT_GLB_DECODE_H
#define TESTS_SUPPORT_GLB_DECODE_H

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "host/abi/c4d_abi.h"
#include "hostapp/io/tiny_gltf_include.h"

namespace glbtest {

// in: path of a .glb. out: *model; false with *error when tinygltf does not load it.
inline bool Load(const std::string& path, tinygltf::Model* model, std::string* error) {
  tinygltf::TinyGLTF loader;
  std::string warn;
  return loader.LoadBinaryFromFile(model, error, &warn, path);
}

// in: model, an accessor of 4-byte components. out: its components as stored (an empty list
// when it points outside its buffer).
template <typename T>
std::vector<T> Values(const tinygltf::Model& model, int accessor) {
  static_assert(sizeof(T) == 4, "4-byte components only");
  const tinygltf::Accessor& a = model.accessors.at(static_cast<size_t>(accessor));
  const tinygltf::BufferView& v = model.bufferViews.at(static_cast<size_t>(a.bufferView));
  const std::vector<unsigned char>& data = model.buffers.at(static_cast<size_t>(v.buffer)).data;
  const size_t n = a.count * static_cast<size_t>(tinygltf::GetNumComponentsInType(static_cast<uint32_t>(a.type)));
  const size_t start = v.byteOffset + a.byteOffset;
  if (start + 4 * n > data.size() || 4 * n > v.byteLength) return {};
  std::vector<T> out(n);
  std::memcpy(out.data(), data.data() + start, 4 * n);
  return out;
}

// in: model, mesh index, target (-1: the base positions). out: the mesh's positions with that
// target fully on (base + displacement), back in the host's axes: (100 x, 100 y, -100 z).
inline std::vector<C4D_Vector> HostPoints(const tinygltf::Model& model, size_t mesh, int target) {
  const tinygltf::Primitive& p = model.meshes.at(mesh).primitives.at(0);
  std::vector<float> xyz = Values<float>(model, p.attributes.at("POSITION"));
  if (target >= 0) {
    const std::vector<float> d = Values<float>(model, p.targets.at(static_cast<size_t>(target)).at("POSITION"));
    if (d.size() != xyz.size()) return {};
    for (size_t i = 0; i < xyz.size(); ++i) xyz[i] += d[i];
  }
  std::vector<C4D_Vector> out(xyz.size() / 3);
  for (size_t i = 0; i < out.size(); ++i) {
    out[i] = C4D_Vector{100.0 * xyz[3 * i], 100.0 * xyz[3 * i + 1], -100.0 * xyz[3 * i + 2]};
  }
  return out;
}

}  // namespace glbtest

#endif  // TESTS_SUPPORT_GLB_DECODE_H

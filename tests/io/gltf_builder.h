// Small glTF files made in tests: binary data appended as accessors, JSON edited freely,
// then written with the buffer embedded (data: URI), beside the file (.bin) or as .glb.
#ifndef TESTS_IO_GLTF_BUILDER_H
#define TESTS_IO_GLTF_BUILDER_H

#include <cstdint>
#include <cstring>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

namespace hostapp_test {

class GltfBuilder {
 public:
  GltfBuilder() {
    doc["asset"] = {{"version", "2.0"}};
    doc["accessors"] = nlohmann::json::array();
    doc["bufferViews"] = nlohmann::json::array();
  }

  // Appends values as one accessor of the given type ("SCALAR", "VEC3", "MAT4", ...) and
  // component type (5121 ubyte, 5123 ushort, 5125 uint, 5126 float); returns its index.
  template <typename T>
  int Add(const std::vector<T>& values, const char* type, int component_type, bool normalized = false) {
    while (bin.size() % 4) bin.push_back(0);
    const size_t offset = bin.size();
    bin.resize(offset + values.size() * sizeof(T));
    std::memcpy(bin.data() + offset, values.data(), values.size() * sizeof(T));
    const int components = std::string(type) == "SCALAR" ? 1 : std::string(type) == "MAT4" ? 16 : type[3] - '0';
    doc["bufferViews"].push_back({{"buffer", 0}, {"byteOffset", offset}, {"byteLength", values.size() * sizeof(T)}});
    nlohmann::json a = {{"bufferView", doc["bufferViews"].size() - 1},
                        {"componentType", component_type},
                        {"count", values.size() / components},
                        {"type", type}};
    if (normalized) a["normalized"] = true;
    doc["accessors"].push_back(a);
    return static_cast<int>(doc["accessors"].size() - 1);
  }
  int Floats(const std::vector<float>& v, const char* type) { return Add(v, type, 5126); }

  // The .gltf text with the buffer as a data: URI, or as uri when given.
  std::string Text(const std::string& uri = "") const {
    nlohmann::json d = doc;
    d["buffers"] = {{{"byteLength", bin.size()},
                     {"uri", uri.empty() ? "data:application/octet-stream;base64," + Base64(bin) : uri}}};
    return d.dump();
  }

  // The .glb bytes: header, JSON chunk, BIN chunk.
  std::string Glb() const {
    nlohmann::json d = doc;
    d["buffers"] = {{{"byteLength", bin.size()}}};
    std::string json = d.dump();
    while (json.size() % 4) json += ' ';
    std::string data(bin.begin(), bin.end());
    while (data.size() % 4) data += '\0';
    std::string out = "glTF";
    auto u32 = [&](uint32_t v) { out.append(reinterpret_cast<const char*>(&v), 4); };
    u32(2);
    u32(static_cast<uint32_t>(12 + 8 + json.size() + 8 + data.size()));
    u32(static_cast<uint32_t>(json.size()));
    u32(0x4E4F534A);
    out += json;
    u32(static_cast<uint32_t>(data.size()));
    u32(0x004E4942);
    out += data;
    return out;
  }

  static std::string Base64(const std::vector<unsigned char>& in) {
    static const char* k = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string out;
    size_t i = 0;
    for (; i + 2 < in.size(); i += 3) {
      uint32_t v = (in[i] << 16) | (in[i + 1] << 8) | in[i + 2];
      for (int s = 18; s >= 0; s -= 6) out += k[(v >> s) & 63];
    }
    if (i + 1 == in.size()) {
      uint32_t v = in[i] << 16;
      out += std::string{k[(v >> 18) & 63], k[(v >> 12) & 63], '=', '='};
    } else if (i + 2 == in.size()) {
      uint32_t v = (in[i] << 16) | (in[i + 1] << 8);
      out += std::string{k[(v >> 18) & 63], k[(v >> 12) & 63], k[(v >> 6) & 63], '='};
    }
    return out;
  }

  nlohmann::json doc;
  std::vector<unsigned char> bin;
};

}  // namespace hostapp_test

#endif  // TESTS_IO_GLTF_BUILDER_H

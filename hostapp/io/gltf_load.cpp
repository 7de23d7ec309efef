#include "hostapp/io/gltf_load.h"

#include <sys/stat.h>

#include <cstdint>
#include <cstring>
#include <exception>
#include <vector>

#include "hostapp/io/text_scan.h"
#include "hostapp/io/tiny_gltf_include.h"

namespace hostapp {
namespace io_detail {

namespace {

// JSON nested deeper than this is refused before parsing: no real scene comes close, and
// the parser and the conversion of "extras" recurse once per level.
constexpr int kMaxJsonDepth = 256;

// in: JSON text.  out: true when brackets nest at most kMaxJsonDepth deep (strings skipped).
bool JsonDepthIsSane(const char* text, size_t size) {
  int depth = 0;
  bool in_string = false;
  for (size_t i = 0; i < size; ++i) {
    const char c = text[i];
    if (in_string) {
      if (c == '\\')
        ++i;
      else if (c == '"')
        in_string = false;
    } else if (c == '"') {
      in_string = true;
    } else if (c == '[' || c == '{') {
      if (++depth > kMaxJsonDepth) return false;
    } else if (c == ']' || c == '}') {
      --depth;
    }
  }
  return true;
}

// File access for buffers named by URI. Only regular files are read, so that a URI naming a
// device or a pipe cannot stall the import or exhaust memory; nothing is ever written.
bool FileExists(const std::string& path, void*) {
  struct stat st;
  return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}
std::string ExpandNothing(const std::string& path, void*) { return path; }
bool ReadRegularFile(std::vector<unsigned char>* out, std::string* err, const std::string& path, void*) {
  std::string data, why;
  if (!ReadWholeFile(path, &data, &why)) {
    if (err) *err += why + "\n";
    return false;
  }
  out->assign(data.begin(), data.end());
  return true;
}
bool RefuseWrite(std::string* err, const std::string&, const std::vector<unsigned char>&, void*) {
  if (err) *err += "writing is not supported\n";
  return false;
}

// Accepts images without decoding them: the importer has no use for textures.
bool SkipImage(tinygltf::Image*, const int, std::string*, std::string*, int, int, const unsigned char*, int, void*) {
  return true;
}

// in: tinygltf's error text, possibly several lines.  out: one line.
std::string OneLine(std::string text) {
  while (!text.empty() && (text.back() == '\n' || text.back() == '\r' || text.back() == ' ')) text.pop_back();
  std::string out;
  for (char c : text) {
    if (c == '\n')
      out += "; ";
    else if (c != '\r')
      out += c;
  }
  return out.empty() ? "not a valid glTF file" : out;
}

}  // namespace

bool LoadGltfModel(const std::string& path, const std::string& bytes, tinygltf::Model* model, std::string* error) {
  const bool binary = bytes.size() >= 4 && std::memcmp(bytes.data(), "glTF", 4) == 0;
  if (bytes.size() > 0x7fffffffu) {
    *error = "file too large";
    return false;
  }
  if (binary) {
    uint32_t json_length = 0;
    if (bytes.size() >= 20) std::memcpy(&json_length, bytes.data() + 12, 4);
    if (bytes.size() >= 20 && json_length <= bytes.size() - 20 && !JsonDepthIsSane(bytes.data() + 20, json_length)) {
      *error = "JSON nested too deeply";
      return false;
    }
  } else if (!JsonDepthIsSane(bytes.data(), bytes.size())) {
    *error = "JSON nested too deeply";
    return false;
  }
  const size_t slash = path.find_last_of('/');
  const std::string base_dir = slash == std::string::npos ? "." : path.substr(0, slash);
  tinygltf::TinyGLTF loader;
  loader.SetImageLoader(SkipImage, nullptr);
  loader.SetFsCallbacks(tinygltf::FsCallbacks{FileExists, ExpandNothing, ReadRegularFile, RefuseWrite, nullptr});
  std::string err, warn;
  bool ok = false;
  try {
    if (binary) {
      ok = loader.LoadBinaryFromMemory(model, &err, &warn, reinterpret_cast<const unsigned char*>(bytes.data()),
                                       static_cast<unsigned int>(bytes.size()), base_dir);
    } else {
      ok = loader.LoadASCIIFromString(model, &err, &warn, bytes.data(), static_cast<unsigned int>(bytes.size()),
                                      base_dir);
    }
  } catch (const std::exception& e) {
    err = e.what();
    ok = false;
  }
  if (!ok) *error = OneLine(err);
  return ok;
}

}  // namespace io_detail
}  // namespace hostapp

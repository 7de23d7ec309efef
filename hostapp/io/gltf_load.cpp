#include "hostapp/io/gltf_load.h"

#include <sys/stat.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <exception>
#include <filesystem>
#include <system_error>
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

// File access for buffers named by URI. A URI may name a file in the glTF file's folder or
// below it, and nothing else: tinygltf hands the callbacks the folder joined with the
// percent-decoded URI, and ExpandFilePath checks the URI part before any file is touched (no
// absolute path, no scheme or drive, no ".." that climbs out, no link that leads out).
// tinygltf's second try, the URI in the working folder, never matches the folder and is
// refused. Only regular files are read, so that a URI naming a device or a pipe cannot
// stall the import; nothing is ever written. Messages name the URI, never the path it led
// to or anything about that file.
struct BufferFiles {
  std::string folder;   // the glTF file's folder as given to tinygltf, ending in '/'
  std::string failure;  // the first refusal or failure, as the message to give
  std::string uri;      // the URI last resolved, for messages about its content

  bool Fail(const std::string& what) {
    if (failure.empty()) failure = what;
    return false;
  }
};

constexpr size_t kShownUriLength = 80;

// in: a decoded URI. out: it quoted for a one-line message: control and non-ASCII bytes as
// \xNN, a backslash doubled, cut to kShownUriLength characters with "..." when longer.
std::string ShownUri(const std::string& uri) {
  std::string out = "'";
  for (size_t i = 0; i < uri.size(); ++i) {
    if (out.size() > kShownUriLength) {
      out += "...";
      break;
    }
    const unsigned char c = static_cast<unsigned char>(uri[i]);
    if (c == '\\') {
      out += "\\\\";
    } else if (c < 0x20 || c >= 0x7f) {
      static constexpr char kHex[] = "0123456789abcdef";
      out += "\\x";
      out += kHex[c >> 4];
      out += kHex[c & 15];
    } else {
      out += static_cast<char>(c);
    }
  }
  return out + "'";
}

// in: files, uri (decoded, relative to files->folder). out: *path, the file's canonical
// path; false with files->failure set when the URI is refused or names no file.
bool ResolveBufferUri(BufferFiles* files, const std::string& uri, std::string* path) {
  files->uri = uri;
  const std::string shown = "buffer URI " + ShownUri(uri);
  // A colon in the first segment is a scheme (file:, http:) or a drive letter; a backslash
  // separates folders on Windows; a NUL would cut the name short.
  if (uri.find(':') < uri.find('/') || uri.find('\\') != std::string::npos || uri.find('\0') != std::string::npos) {
    return files->Fail(shown + " is not a file name (only data: URIs and files in the glTF file's folder are read)");
  }
  const std::string outside = shown + " leads outside the glTF file's folder (only files in it are read)";
  if (!uri.empty() && uri[0] == '/') return files->Fail(outside);
  // The dot segments removed as for any relative URI: "a/../b" is "b", "./b" is "b".
  std::vector<std::string> parts;
  for (size_t at = 0; at <= uri.size();) {
    const size_t end = std::min(uri.find('/', at), uri.size());
    const std::string part = uri.substr(at, end - at);
    if (part == "..") {
      if (parts.empty()) return files->Fail(outside);
      parts.pop_back();
    } else if (!part.empty() && part != ".") {
      parts.push_back(part);
    }
    at = end + 1;
  }
  if (parts.empty()) return files->Fail(shown + " names no file");
  std::string relative;
  for (const std::string& part : parts) relative += (relative.empty() ? "" : "/") + part;
  std::error_code ec;
  const std::filesystem::path folder = std::filesystem::canonical(files->folder, ec);
  std::filesystem::path target;
  if (!ec) target = std::filesystem::canonical(files->folder + relative, ec);
  if (ec) return files->Fail(shown + ": no such file in the glTF file's folder");
  // canonical() followed any links: where they lead must still be inside the folder.
  const std::filesystem::path inside = target.lexically_relative(folder);
  if (inside.empty() || *inside.begin() == "..") return files->Fail(outside);
  *path = target.string();
  return true;
}

std::string ExpandFilePath(const std::string& joined, void* user) {
  BufferFiles* files = static_cast<BufferFiles*>(user);
  // Anything not below the folder is tinygltf's look-up in the working folder: refused.
  std::string path;
  if (joined.compare(0, files->folder.size(), files->folder) != 0) return path;
  ResolveBufferUri(files, joined.substr(files->folder.size()), &path);
  return path;
}
bool FileExists(const std::string& path, void* user) {
  BufferFiles* files = static_cast<BufferFiles*>(user);
  if (path.empty()) return false;  // refused by ExpandFilePath
  struct stat st;
  if (::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode)) return true;
  return files->Fail("buffer URI " + ShownUri(files->uri) + " does not name a regular file");
}
bool ReadRegularFile(std::vector<unsigned char>* out, std::string*, const std::string& path, void* user) {
  BufferFiles* files = static_cast<BufferFiles*>(user);
  std::string data, why;
  if (!ReadWholeFile(path, &data, &why)) return files->Fail("buffer URI " + ShownUri(files->uri) + ": cannot read the file");
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
  BufferFiles files;
#if defined(_WIN32)
  const size_t slash = path.find_last_of("/\\");
#else
  const size_t slash = path.find_last_of('/');
#endif
  // Ending in '/', so that tinygltf joins it to a URI with nothing in between.
  files.folder = slash == std::string::npos ? "./" : path.substr(0, slash) + "/";
  const std::string& base_dir = files.folder;
  tinygltf::TinyGLTF loader;
  loader.SetImageLoader(SkipImage, nullptr);
  loader.SetFsCallbacks(tinygltf::FsCallbacks{FileExists, ExpandFilePath, ReadRegularFile, RefuseWrite, &files});
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
  if (ok) return true;
  if (!files.failure.empty()) {
    *error = files.failure;
  } else if (err.find("File size mismatch") != std::string::npos || err.find("File is empty") != std::string::npos) {
    // tinygltf's own message would give the file's path and size.
    *error = "buffer URI " + ShownUri(files.uri) + " names a file whose size is not the buffer's byteLength";
  } else {
    *error = OneLine(err);
  }
  return false;
}

}  // namespace io_detail
}  // namespace hostapp

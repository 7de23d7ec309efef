// Fuzz target: the OBJ reader on arbitrary text. Whatever it accepts must be a valid mesh.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "hostapp/io/obj.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  hostapp::Mesh mesh;
  std::string error;
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  if (!hostapp::ParseObj(text, "fuzz.obj", &mesh, &error)) {
    if (error.empty() || error.find('\n') != std::string::npos) std::abort();
    return 0;
  }
  if (mesh.points.empty()) std::abort();
  for (const C4D_CPolygon& p : mesh.polygons) {
    for (int32_t c : {p.a, p.b, p.c, p.d}) {
      if (c < 0 || static_cast<size_t>(c) >= mesh.points.size()) std::abort();
    }
  }
  return 0;
}

// Fuzz target: the scene-file reader on arbitrary bytes. It must either refuse with one line
// or give a document that saves again. Inputs whose first byte is odd are taken as a payload
// and wrapped in a valid header (magic, version, length, checksum), so that the fuzzer gets
// past the checksum into the object, tag and container parsers.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "hostapp/scene/document.h"
#include "hostapp/scene/scenefile.h"

namespace {

void PutLe(std::vector<uint8_t>* out, uint64_t v, int bytes) {
  for (int i = 0; i < bytes; ++i) out->push_back(static_cast<uint8_t>(v >> (8 * i)));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::vector<uint8_t> wrapped;
  if (size > 0 && (data[0] & 1)) {
    const uint8_t* payload = data + 1;
    const size_t length = size - 1;
    wrapped.assign(hostapp::kSceneMagic, hostapp::kSceneMagic + 8);
    PutLe(&wrapped, hostapp::kSceneFormatVersion, 4);
    PutLe(&wrapped, 0, 4);
    PutLe(&wrapped, length, 8);
    PutLe(&wrapped, hostapp::SceneChecksum(payload, length), 8);
    wrapped.insert(wrapped.end(), payload, payload + length);
    data = wrapped.data();
    size = wrapped.size();
  }
  std::string error;
  std::unique_ptr<hostapp::Document> doc = hostapp::ParseDocument(data, size, "fuzz.tvs", &error);
  if (!doc) {
    if (error.empty() || error.find('\n') != std::string::npos) std::abort();
    return 0;
  }
  std::vector<uint8_t> again;
  if (!hostapp::SerializeDocument(*doc, &again, &error)) std::abort();
  return 0;
}

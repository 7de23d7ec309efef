// Scene files: the host's own format for documents.
//
// Layout: a 32-byte header, then the payload, a typed stream (see hyperfile.h).
//   header   8 bytes  magic "TAVRSCN1"
//            uint32   format version (kSceneFormatVersion), little-endian
//            uint32   flags, 0
//            uint64   payload length in bytes
//            uint64   FNV-1a 64 checksum of the payload
//   payload  Int32 number of top-level objects, then each object:
//     object  Int32 type, String name, Int32 bits, Int32 states, 4 Vectors (the local
//             frame: off, v1, v2, v3), container, block of built-in data (points and
//             polygons of polygon objects), plug-in part, Int32 tag count, tags, Int32
//             child count, children
//     tag     Int32 type, String name, Int32 bits, container, block of built-in data
//             (vertex map weights), plug-in part
//     container  Int32 count, then per value in ascending id order: Int32 id, Int32 kind
//             (ValueType), the value; a link is an Int32 node index (-1: empty), an
//             in/exclude list an Int32 count and that many node indices
//     plug-in part  Bool present; when present: Int32 disk level, then a block holding what
//             the plug-in's write hook wrote (read back through its read hook)
//   Node indices count objects and tags in file order: an object, its tags, then its
//   children. Links to nodes outside the document are stored empty.
//
// Files are written atomically (a temporary file beside the target, flushed to disk, then
// renamed over it) and fully checked on reading: any damage gives an error and no document.
#ifndef HOSTAPP_SCENE_SCENEFILE_H
#define HOSTAPP_SCENE_SCENEFILE_H

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace hostapp {

class Document;

constexpr char kSceneMagic[8] = {'T', 'A', 'V', 'R', 'S', 'C', 'N', '1'};
constexpr uint32_t kSceneFormatVersion = 1;
constexpr size_t kSceneHeaderSize = 32;
// Deepest object hierarchy a file may hold (a top-level object is at depth 1). Writing a
// deeper document fails as reading such a file does; importers refuse deeper hierarchies.
constexpr int kSceneMaxDepth = 1024;

// in: doc, path. out: true when path holds the document; false with *error (naming the
// path and what failed) and the previous file at path, if any, unchanged.
bool SaveDocument(const Document& doc, const std::string& path, std::string* error);
// in: path. out: the document; null with *error naming the path and the damage.
std::unique_ptr<Document> LoadDocument(const std::string& path, std::string* error);

// The same in memory. in: doc. out: *bytes, a whole file (header and payload); false with
// *error when a plug-in's write hook fails.
bool SerializeDocument(const Document& doc, std::vector<uint8_t>* bytes, std::string* error);
// in: data, size, a whole file; name for messages. out: as LoadDocument.
std::unique_ptr<Document> ParseDocument(const uint8_t* data, size_t size, const std::string& name,
                                        std::string* error);

// in: node. out: empty when a scene file can hold it as it is; else what it holds that no
// scene file may: built-in data that is not sound (Node::DataFault), or a parameter value
// outside what its registered description declares (ParameterFault). Writing refuses such
// a node, and reading refuses a file that holds one, so that every file written reads back.
class Node;
std::string SceneNodeFault(const Node& node);

// in: data, size. out: the FNV-1a 64 hash the header stores for a payload.
uint64_t SceneChecksum(const uint8_t* data, size_t size);

// Test switch: with limit >= 0, writing a scene file fails (as on a full disk) once more
// than `limit` bytes would be written; -1 turns it off.
void SetSceneWriteLimitForTesting(int64_t limit);

}  // namespace hostapp

#endif  // HOSTAPP_SCENE_SCENEFILE_H

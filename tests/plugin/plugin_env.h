// Tests that drive the built plug-in library as the host drives it: the library is opened
// and started once per test program through the host's loader; every test works in a fresh
// document and must leave nothing outstanding in the host's allocator.
#ifndef TESTS_PLUGIN_PLUGIN_ENV_H
#define TESTS_PLUGIN_PLUGIN_ENV_H

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "hostapp/app/loader.h"
#include "hostapp/scene/document.h"
#include "hostapp/scene/hyperfile.h"
#include "hostapp/scene/node_types.h"
#include "hostapp/scene/object.h"
#include "hostapp/scene/registry.h"
#include "hostapp/scene/tag.h"
#include "hostapp/services/memory.h"
#include "hostapp/services/threads.h"
#include "support/meshes.h"

namespace plugintest {

constexpr int32_t kTagId = 1035496;
constexpr int32_t kDeformerId = 1035447;
constexpr int32_t kCommandId = 1035622;

// The path of the built library in the build tree.
inline std::string LibraryPath() { return std::string(TAVREN_BINARY_DIR) + "/plugins/tavren/tavren.so"; }

// What a bind tag writes to a scene file, decoded.
struct TagData {
  bool bound = false;
  std::vector<C4D_Vector> offsets;
  std::vector<uint8_t> bytes;
};

class PluginTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite();
  void SetUp() override;
  void TearDown() override;

  // A polygon object holding the mesh, inserted at the top of the document.
  hostapp::PolygonObject* AddMesh(const testmesh::Mesh& mesh, hostapp::Object* parent = nullptr);
  // A new plug-in tag (bind tag by default) inserted first on op.
  hostapp::Tag* AddTag(hostapp::Object* op, int32_t type = kTagId);
  // A new object of type inserted as the last child of parent (top level when null).
  hostapp::Object* AddObject(int32_t type, hostapp::Object* parent = nullptr);

  // Presses a button of the tag's description. out: the message's answer.
  bool Press(hostapp::Tag* tag, int32_t button);
  // Runs the tag as the host runs an expression tag.
  int32_t Execute(hostapp::Tag* tag);
  // The tag's own data, as written by its Write.
  TagData Written(hostapp::Tag* tag);
  // Reads bytes into the tag through its Read at level 0. out: Read's answer.
  bool ReadInto(hostapp::Tag* tag, const std::vector<uint8_t>& bytes, int32_t level = 0);
  // Whether the tag enables parameter id.
  bool Enabled(hostapp::Tag* tag, int32_t id);
  // The status line of a bind tag.
  std::string Status(hostapp::Tag* tag);
  // The host's text of a byte count.
  static std::string SizeText(int64_t bytes);
  static std::string String(int32_t id);

  std::unique_ptr<hostapp::Document> doc_;

 private:
  int64_t outstanding_ = 0;
};

}  // namespace plugintest

#endif

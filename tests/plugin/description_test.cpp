// The descriptions of the plug-in's nodes as the host builds them through the loaded
// library: the declared initial values against what Init writes, the falloff's entries in
// the deformer's description, the enabling of a frozen tag's settings, and a malformed
// description failing the plug-in's resource load.
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>

#include "hostapp/eval/falloff.h"
#include "hostapp/scene/console.h"
#include "hostapp/scene/description.h"
#include "plugin_env.h"

namespace plugintest {
namespace {

using hostapp::DescDefault;
using hostapp::DescParameter;
using hostapp::DescType;
using hostapp::Description;

enum : int32_t {
  BIND = 1000, UNBIND = 1001, STATUS = 1002, SMOOTHTYPE = 1003, ITERATIONS = 1004, PINBORDER = 1005,
  SMOOTHONLY = 1006, VERTEXMAP = 1007, STEP = 1008, USEVERTEXMAP = 1009, ENABLE = 1000999,
  LISTMODE = 1000, LIST = 1001,
};

class DescriptionTest : public PluginTest {
 protected:
  // The node's description through the host's walk; fails the test when there is none.
  Description Describe(hostapp::Node* node) {
    Description d;
    EXPECT_TRUE(hostapp::DescribeNode(*node, &d)) << "type " << node->Type();
    return d;
  }

  // Checks a new node's container against its description: a declared value is stored as
  // declared, an unset one is absent, a text the plug-in writes is present, and nothing is
  // stored that the description does not declare.
  void ExpectInitialValuesAsDescribed(const hostapp::Node& node, const Description& d) {
    const hostapp::Container& bc = node.Data();
    for (const DescParameter& p : d.params) {
      switch (p.default_kind) {
        case DescDefault::kValue: {
          const hostapp::Value* v = bc.Find(p.id);
          ASSERT_NE(v, nullptr) << p.id << " " << p.name;
          EXPECT_TRUE(hostapp::SameValue(*v, *p.initial)) << p.id << " " << p.name;
          break;
        }
        case DescDefault::kUnset:
          EXPECT_FALSE(bc.Has(p.id)) << p.id << " " << p.name;
          break;
        case DescDefault::kByPlugin:
          EXPECT_EQ(bc.Find(p.id) ? hostapp::TypeOf(*bc.Find(p.id)) : hostapp::ValueType::kInt32,
                    hostapp::ValueType::kString)
              << p.id;
          break;
        case DescDefault::kNone:
          EXPECT_FALSE(bc.Has(p.id)) << p.id << " " << p.name;
          break;
      }
    }
    for (const auto& [id, value] : bc.Values()) EXPECT_NE(d.Find(id), nullptr) << "undescribed id " << id;
  }

  static std::vector<int32_t> Ids(const Description& d) {
    std::vector<int32_t> ids;
    for (const DescParameter& p : d.params) ids.push_back(p.id);
    return ids;
  }
};

TEST_F(DescriptionTest, ANewTagHoldsTheValuesItsDescriptionDeclares) {
  hostapp::Tag* tag = AddTag(AddMesh(testmesh::Grid(3, 3)));
  const Description d = Describe(tag);
  EXPECT_EQ(d.name, "TTavrenres");
  for (int32_t id = BIND; id <= USEVERTEXMAP; ++id) EXPECT_NE(d.Find(id), nullptr) << id;
  ASSERT_NE(d.Find(ENABLE), nullptr);  // from the host's expression base
  EXPECT_EQ(d.Find(ENABLE)->type, DescType::kBool);
  ExpectInitialValuesAsDescribed(*tag, d);
  EXPECT_EQ(Status(tag), String(1002) + SizeText(0));
}

TEST_F(DescriptionTest, TheDeformersDescriptionEndsWithTheFalloffs) {
  hostapp::Object* deformer = AddObject(kDeformerId);
  const Description d = Describe(deformer);
  EXPECT_EQ(d.name, "Otavrendeformer");
  ExpectInitialValuesAsDescribed(*deformer, d);

  const std::vector<int32_t> ids = Ids(d);
  ASSERT_GE(ids.size(), 5u);
  EXPECT_LT(std::find(ids.begin(), ids.end(), LIST) - ids.begin(),
            std::find(ids.begin(), ids.end(), int32_t(hostapp::kFalloffMode)) - ids.begin());
  const std::vector<int32_t> tail(ids.end() - 4, ids.end());
  EXPECT_EQ(tail, (std::vector<int32_t>{hostapp::kFalloffMode, hostapp::kFalloffSize, hostapp::kFalloffStrength,
                                        hostapp::kFalloffInner}));
  const DescParameter* mode = d.Find(hostapp::kFalloffMode);
  std::vector<int32_t> shapes;
  for (const auto& c : mode->cycle) shapes.push_back(c.value);
  EXPECT_EQ(shapes, (std::vector<int32_t>{C4D_FALLOFF_INFINITE, C4D_FALLOFF_SPHERE, C4D_FALLOFF_BOX,
                                          C4D_FALLOFF_LINEAR}));
  EXPECT_TRUE(hostapp::SameValue(*mode->initial, hostapp::Value(int32_t(C4D_FALLOFF_INFINITE))));
  EXPECT_EQ(d.Find(hostapp::kFalloffSize)->type, DescType::kVector);
  EXPECT_EQ(*d.Find(hostapp::kFalloffInner)->max, 1.0);

  // A shape the falloff does not know makes the deformer's description fail.
  deformer->Data().SetInt32(hostapp::kFalloffMode, 12345);
  Description bad;
  EXPECT_FALSE(hostapp::DescribeNode(*deformer, &bad));
}

TEST_F(DescriptionTest, AFrozenTagDisablesItsSettingsButNotSmoothOnly) {
  hostapp::Tag* tag = AddTag(AddMesh(testmesh::Grid(4, 4, true, 0.3)));
  for (const DescParameter& p : Describe(tag).params) EXPECT_TRUE(p.enabled) << p.id;

  ASSERT_TRUE(Press(tag, BIND));
  const Description frozen = Describe(tag);
  for (int32_t id : {SMOOTHTYPE, ITERATIONS, PINBORDER, VERTEXMAP, STEP, USEVERTEXMAP})
    EXPECT_FALSE(frozen.Find(id)->enabled) << id;
  for (int32_t id : std::vector<int32_t>{BIND, UNBIND, STATUS, SMOOTHONLY, ENABLE}) EXPECT_TRUE(frozen.Find(id)->enabled) << id;

  ASSERT_TRUE(Press(tag, UNBIND));
  for (const DescParameter& p : Describe(tag).params) EXPECT_TRUE(p.enabled) << p.id;
}

// A copy of the built plug-in whose tag description is malformed: the resource does not
// load, so the host's system-initialisation message fails, and the console names the line.
TEST(DescriptionResource, AMalformedDescriptionFailsThePluginsResourceLoad) {
  namespace fs = std::filesystem;
  const fs::path built = LibraryPath();
  const fs::path dir = fs::temp_directory_path() / ("tavren-desc-" + std::to_string(::getpid()));
  fs::remove_all(dir);
  fs::create_directories(dir);
  fs::copy_file(built, dir / built.filename());
  fs::copy(built.parent_path() / "res", dir / "res", fs::copy_options::recursive);
  const fs::path res = dir / "res" / "description" / "ttavrenres.res";
  std::ofstream(res, std::ios::app) << "LONG TTAVREN_ITERATIONS { DEFAULT 2; }\n";  // after the CONTAINER

  hostapp::SetConsoleEcho(false);
  hostapp::ConsoleClear();
  std::string error;
  std::unique_ptr<hostapp::PluginLibrary> lib = hostapp::PluginLibrary::Open((dir / built.filename()).string(), &error);
  ASSERT_TRUE(lib) << error;
  EXPECT_FALSE(lib->Start(&error));
  EXPECT_NE(error.find("resources"), std::string::npos) << error;
  lib->End();
  bool named = false;
  for (const std::string& line : hostapp::ConsoleLines()) named |= line.rfind(res.string() + ":", 0) == 0;
  EXPECT_TRUE(named) << "no console line names " << res;
  fs::remove_all(dir);
}

}  // namespace
}  // namespace plugintest

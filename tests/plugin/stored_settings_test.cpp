// What a scene file may hold of a bind tag: settings within what the tag's description
// declares, and a binding of one finite offset per point of its mesh. Writing refuses
// anything else, reading refuses a file that holds it, and a binding made for another mesh is
// refused instead of being captured again. Running out of memory while binding says so.
#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <variant>

#include "hostapp/app/deform_scene.h"
#include "hostapp/scene/description.h"
#include "hostapp/scene/scenefile.h"
#include "hostapp/services/limits.h"
#include "plugin_env.h"

namespace plugintest {
namespace {

constexpr int32_t kIterations = 1004, kSmoothType = 1003, kStep = 1008;

class StoredSettingsTest : public PluginTest {
 protected:
  // A mesh with a live bind tag on it.
  hostapp::Tag* TaggedMesh() {
    hostapp::PolygonObject* op = AddMesh(testmesh::Grid(3, 3));
    return AddTag(op);
  }

  // The document as a scene file.
  std::vector<uint8_t> Saved() {
    std::vector<uint8_t> bytes;
    std::string error;
    EXPECT_TRUE(hostapp::SerializeDocument(*doc_, &bytes, &error)) << error;
    return bytes;
  }

  // in: bytes of a scene file, at, a payload offset, what to put there. Overwrites and mends
  // the checksum, as a hand-edited file would be.
  static void Patch(std::vector<uint8_t>* bytes, size_t at, const void* what, size_t size) {
    std::memcpy(bytes->data() + at, what, size);
    const uint64_t sum =
        hostapp::SceneChecksum(bytes->data() + hostapp::kSceneHeaderSize, bytes->size() - hostapp::kSceneHeaderSize);
    for (int i = 0; i < 8; ++i) (*bytes)[24 + i] = static_cast<uint8_t>(sum >> (8 * i));
  }

  // out: where the value of the container entry (id, kind) starts in bytes, behind its type
  // mark; fails the test when absent. An entry is id and kind as marked Int32s, then the value.
  static size_t FindValue(const std::vector<uint8_t>& bytes, int32_t id, int32_t kind) {
    std::vector<uint8_t> entry;
    for (int32_t v : {id, kind}) {
      entry.push_back(hostapp::HyperFile::kTagInt32);
      for (int i = 0; i < 4; ++i) entry.push_back(static_cast<uint8_t>(static_cast<uint32_t>(v) >> (8 * i)));
    }
    auto at = std::search(bytes.begin() + hostapp::kSceneHeaderSize, bytes.end(), entry.begin(), entry.end());
    EXPECT_NE(at, bytes.end()) << "no entry " << id;
    return static_cast<size_t>(at - bytes.begin()) + entry.size() + 1;
  }

  // in: bytes, a file. out: the reader's message ("" when it loads).
  static std::string LoadError(const std::vector<uint8_t>& bytes) {
    std::string error;
    std::unique_ptr<hostapp::Document> doc = hostapp::ParseDocument(bytes.data(), bytes.size(), "s.tvs", &error);
    return doc ? std::string() : error;
  }
};

TEST_F(StoredSettingsTest, TheIterationLimitIsTheOneTheDescriptionDeclares) {
  hostapp::Tag* tag = TaggedMesh();
  hostapp::Description d;
  ASSERT_TRUE(hostapp::DescribeNode(*tag, &d));
  const hostapp::DescParameter* p = d.Find(kIterations);
  ASSERT_NE(p, nullptr);
  ASSERT_TRUE(p->max.has_value());
  EXPECT_EQ(*p->max, hostapp::kMaxIterations);
}

TEST_F(StoredSettingsTest, SettingsNoTagCouldHoldAreNeitherWrittenNorRead) {
  struct Case {
    int32_t id;
    hostapp::Value value;
    std::string what;
  };
  const std::vector<Case> cases = {
      {kIterations, int32_t{hostapp::kMaxIterations + 1}, "Iterations (1004) holds 10001, above its maximum 10000"},
      {kIterations, int32_t{2147483647}, "above its maximum 10000"},
      {kIterations, int32_t{-1}, "Iterations (1004) holds -1, below its minimum 0"},
      {kSmoothType, int32_t{5}, "holds 5, which is none of its choices"},
      {kSmoothType, int32_t{-1}, "holds -1, which is none of its choices"},
      {kStep, std::numeric_limits<double>::quiet_NaN(), "not finite"},
      {kStep, -0.5, "below its minimum 0"},
      {kIterations, 2.5, "holds a value of another kind than its LONG"},
  };
  hostapp::Tag* tag = TaggedMesh();
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const bool is_int = std::holds_alternative<int32_t>(c.value);
    const hostapp::Value sound = c.id == kStep ? hostapp::Value{1.0} : hostapp::Value{int32_t{1}};
    // Writing: refused with the setting named, nothing produced.
    tag->Data().Set(c.id, c.value);
    std::vector<uint8_t> bytes;
    std::string error;
    EXPECT_FALSE(hostapp::SerializeDocument(*doc_, &bytes, &error));
    EXPECT_TRUE(bytes.empty());
    EXPECT_NE(error.find("the tag 'Tavren Bind'"), std::string::npos) << error;
    EXPECT_NE(error.find(c.what), std::string::npos) << error;
    tag->Data().Set(c.id, sound);
    // Reading: a file written with a sound value, then edited to hold the bad one.
    if (is_int != (c.id == kStep)) {
      bytes = Saved();
      const size_t at = FindValue(bytes, c.id, is_int ? 0 : 1);
      if (is_int) {
        Patch(&bytes, at, &std::get<int32_t>(c.value), 4);
      } else {
        Patch(&bytes, at, &std::get<double>(c.value), 8);
      }
      const std::string load = LoadError(bytes);
      EXPECT_NE(load.find("s.tvs: damaged scene data"), std::string::npos) << load;
      EXPECT_NE(load.find("the tag 'Tavren Bind'"), std::string::npos) << load;
      EXPECT_NE(load.find(c.what), std::string::npos) << load;
    }
  }
}

TEST_F(StoredSettingsTest, ABindingMustHoldOneFiniteOffsetPerPoint) {
  hostapp::Tag* tag = TaggedMesh();
  auto* mesh = static_cast<hostapp::PolygonObject*>(tag->GetObject());
  const size_t points = mesh->Points().size();
  ASSERT_TRUE(Press(tag, 1000));
  EXPECT_EQ(hostapp::BindingFault(*doc_, "s.tvs"), "");
  // A binding of other points: refused, not captured again.
  auto binding = [](bool frozen, const std::vector<C4D_Vector>& offsets) {
    std::vector<uint8_t> bytes;
    hostapp::HyperFile out(&bytes);
    out.WriteBool(frozen);
    out.WriteInt32(static_cast<int32_t>(offsets.size()));
    for (const C4D_Vector& v : offsets) out.WriteVector(v);
    return bytes;
  };
  ASSERT_TRUE(ReadInto(tag, binding(true, std::vector<C4D_Vector>(points - 1, C4D_Vector{1, 2, 3}))));
  std::string fault = hostapp::BindingFault(*doc_, "s.tvs");
  EXPECT_NE(fault.find("s.tvs: the bind tag 'Tavren Bind' on '"), std::string::npos) << fault;
  EXPECT_NE(fault.find("a binding of " + std::to_string(points - 1) + " points, but the mesh has " +
                       std::to_string(points)),
            std::string::npos)
      << fault;
  std::vector<C4D_Vector> offsets(points, C4D_Vector{1, 2, 3});
  offsets[2].y = std::numeric_limits<double>::infinity();
  ASSERT_TRUE(ReadInto(tag, binding(true, offsets)));
  fault = hostapp::BindingFault(*doc_, "s.tvs");
  EXPECT_NE(fault.find("offset 2, which is not finite"), std::string::npos) << fault;
  // A live tag holds no binding to check.
  ASSERT_TRUE(ReadInto(tag, binding(false, {})));
  EXPECT_EQ(hostapp::BindingFault(*doc_, "s.tvs"), "");
}

TEST_F(StoredSettingsTest, LoadingADeformSceneRefusesABindingOfAnotherMesh) {
  std::string error;
  const testmesh::Mesh grid = testmesh::Grid(4, 3);
  hostapp::Mesh rest{grid.points, grid.polygons};
  std::unique_ptr<hostapp::DeformScene> scene = hostapp::DeformScene::Build(rest, {}, "rest", &error);
  ASSERT_TRUE(scene) << error;
  ASSERT_TRUE(scene->Bind(&error)) << error;
  // The mesh loses its last row of points after binding, as an edited file would hold it.
  hostapp::PolygonObject& mesh = scene->MeshObject();
  const int32_t kept = 8;
  mesh.Points().resize(kept);
  std::vector<C4D_CPolygon> polygons;
  for (const C4D_CPolygon& q : mesh.Polygons())
    if (q.a < kept && q.b < kept && q.c < kept && q.d < kept) polygons.push_back(q);
  mesh.Polygons() = polygons;
  std::vector<uint8_t> bytes;
  ASSERT_TRUE(hostapp::SerializeDocument(scene->GetDocument(), &bytes, &error)) << error;
  std::unique_ptr<hostapp::Document> doc = hostapp::ParseDocument(bytes.data(), bytes.size(), "b.tvs", &error);
  ASSERT_TRUE(doc) << error;
  EXPECT_FALSE(hostapp::DeformScene::Adopt(std::move(doc), "b.tvs", &error));
  EXPECT_NE(error.find("b.tvs: the bind tag"), std::string::npos) << error;
  EXPECT_NE(error.find("a binding of 20 points, but the mesh has 8"), std::string::npos) << error;
}

TEST_F(StoredSettingsTest, RunningOutOfMemoryWhileBindingIsReportedAsSuch) {
  const testmesh::Mesh grid = testmesh::Grid(6, 6);
  hostapp::Mesh rest{grid.points, grid.polygons};
  std::string error;
  std::unique_ptr<hostapp::DeformScene> scene = hostapp::DeformScene::Build(rest, {}, "rest", &error);
  ASSERT_TRUE(scene) << error;
  // Every allocation of a bind in turn fails; each bind that fails for it says so.
  int failed = 0;
  for (int64_t n = 1; n < 200; ++n) {
    hostapp::FailAllocationAfter(n);
    const bool bound = scene->Bind(&error);
    hostapp::FailAllocationAfter(0);
    if (bound) continue;
    ++failed;
    EXPECT_EQ(error, "out of memory while binding the 49 points of rest") << "allocation " << n;
  }
  EXPECT_GT(failed, 0);
  EXPECT_TRUE(scene->Bind(&error)) << error;
}

}  // namespace
}  // namespace plugintest

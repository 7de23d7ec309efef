// Restriction weights as a plug-in deformer asks for them through the geometry table, on the
// working copy it is handed, and the point cache's replacement of points.
#include <gtest/gtest.h>

#include "hostapp/eval/evaluate.h"
#include "hostapp/eval/point_cache.h"
#include "hostapp/eval/restriction.h"
#include "hostapp/services/memory.h"
#include "tests/hostapp/eval_plugins.h"

namespace {

using evaltest::EvalTest;
using evaltest::log;
using hostapp::Object;
using hostapp::PolygonObject;

// out: the restriction weights of op for deformer as a vector (empty for null), the array
// freed through the memory table as a plug-in frees it.
std::vector<float> WeightsOf(C4D_Node* op, C4D_Node* deformer, bool* present) {
  float* w = hostapp::GeometryTable()->restriction_weights(op, deformer);
  *present = w != nullptr;
  if (!w) return {};
  std::vector<float> out(w, w + hostapp::GeometryTable()->point_count(op));
  hostapp::memoryTable()->free(w);
  return out;
}

class RestrictionTest : public EvalTest {
 protected:
  void SetUp() override {
    EvalTest::SetUp();
    mesh = AddMesh("Mesh", {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {1, 1, 0}});
    restricted = AddDeformer("Restricted", mesh);
    free = AddDeformer("Free", mesh);
    map = static_cast<hostapp::VertexMapTag*>(AddTag(C4D_TVERTEXMAP, "Map", mesh));
    map->Weights() = {0.0f, 0.25f, 0.5f, 1.0f};
    tag = static_cast<hostapp::RestrictionTag*>(AddTag(C4D_TRESTRICTION, "Restriction", mesh));
    tag->AddDeformer(*restricted);
    tag->SetMap(map);
  }

  PolygonObject* mesh = nullptr;
  Object *restricted = nullptr, *free = nullptr;
  hostapp::VertexMapTag* map = nullptr;
  hostapp::RestrictionTag* tag = nullptr;
};

TEST_F(RestrictionTest, NamedDeformerGetsTheMapOthersGetNone) {
  const int64_t blocks = hostapp::OutstandingBlocks();
  bool present = false;
  EXPECT_EQ(WeightsOf(mesh, restricted, &present), (std::vector<float>{0.0f, 0.25f, 0.5f, 1.0f}));
  EXPECT_TRUE(present);
  WeightsOf(mesh, free, &present);
  EXPECT_FALSE(present);
  WeightsOf(restricted, restricted, &present);  // not a polygon object
  EXPECT_FALSE(present);
  EXPECT_EQ(hostapp::OutstandingBlocks(), blocks);
}

TEST_F(RestrictionTest, PointsTheMapDoesNotCoverWeighNothing) {
  bool present = false;
  map->Weights() = {0.5f, 0.75f};
  EXPECT_EQ(WeightsOf(mesh, restricted, &present), (std::vector<float>{0.5f, 0.75f, 0.0f, 0.0f}));
  tag->SetMap(nullptr);
  EXPECT_EQ(WeightsOf(mesh, restricted, &present), (std::vector<float>(4, 0.0f)));
  EXPECT_TRUE(present);
}

TEST_F(RestrictionTest, WorkingCopyAnswersForTheSceneDeformer) {
  std::vector<float> seen;
  bool present = false;
  log.on_modify = [&](C4D_Node* mod, C4D_Document*, C4D_Node* op, const C4D_Matrix*) {
    if (mod == static_cast<C4D_Node*>(restricted)) seen = WeightsOf(op, mod, &present);
  };
  hostapp::Evaluate(*doc, 0.0);
  EXPECT_TRUE(present);
  EXPECT_EQ(seen, (std::vector<float>{0.0f, 0.25f, 0.5f, 1.0f}));
}

TEST_F(EvalTest, PointCacheReplacesMatchingPointsAndLeavesOthers) {
  PolygonObject* mesh = AddMesh("Mesh", {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}});
  auto cache = hostapp::NewPointCache();
  cache->Points() = {{5, 5, 5}, {6, 6, 6}, {7, 7, 7}};
  doc->InsertObject(std::move(cache), mesh, nullptr);
  AddDeformer("After", mesh)->Data().SetVector(evaltest::kOffsetParam, C4D_Vector{0, 0, 1});
  PolygonObject* other = AddMesh("Other", {{0, 0, 0}, {1, 0, 0}});
  auto wrong = hostapp::NewPointCache();
  wrong->Points() = {{9, 9, 9}};
  doc->InsertObject(std::move(wrong), other, nullptr);

  hostapp::EvaluationResult r = hostapp::Evaluate(*doc, 0.0);

  const std::vector<C4D_Vector>& p = *r.Points(*mesh);
  EXPECT_EQ(p[2].x, 7.0);
  EXPECT_EQ(p[2].z, 8.0);  // replaced first, then moved by the deformer after it
  EXPECT_EQ(mesh->Points()[2].x, 0.0);
  ASSERT_EQ(r.Count(hostapp::IssueKind::kPointCacheMismatch), 1u);
  EXPECT_EQ(r.issues[0].object, other);
  EXPECT_EQ(r.Points(*other)->at(1).x, 1.0);
}

}  // namespace

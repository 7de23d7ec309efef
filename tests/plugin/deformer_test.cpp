// The deformer's pass driven through the loaded plug-in, as the host calls it: Execute, then
// ModifyObject with the object to deform.
#include <cmath>
#include <cstring>

#include "hostapp/eval/draw.h"
#include "hostapp/eval/falloff.h"
#include "plugin_env.h"

namespace plugintest {
namespace {

enum : int32_t { BIND = 1000, SMOOTHTYPE = 1003, ITERATIONS = 1004, PINBORDER = 1005, SMOOTHONLY = 1006,
                 VERTEXMAP = 1007, ENABLE = 1000999, LISTMODE = 1000, LIST = 1001 };

using Points = std::vector<C4D_Vector>;

bool SameBits(const Points& a, const Points& b) {
  return a.size() == b.size() && std::memcmp(a.data(), b.data(), a.size() * sizeof(C4D_Vector)) == 0;
}

using testmesh::MaxDistance;

class DeformerTest : public PluginTest {
 protected:
  // A waved grid with a deformer under it and one bind tag bound at the rest pose.
  void SetUp() override {
    PluginTest::SetUp();
    rest_ = testmesh::Grid(12, 9, true, 0.9);
    mesh_ = AddMesh(rest_);
    deformer_ = AddObject(kDeformerId, mesh_);
    tag_ = AddTag(mesh_);
    ASSERT_TRUE(Press(tag_, BIND));
  }

  // Execute, then ModifyObject on the mesh itself (a scene tag is its own origin).
  bool Modify(hostapp::Object* op = nullptr) {
    op = op ? op : mesh_;
    const hostapp::PluginInfo* plugin = deformer_->Plugin();
    const C4D_Matrix mg = op->Mg(), dmg = deformer_->Mg();
    EXPECT_EQ(plugin->object.execute(deformer_->Instance(), deformer_, doc_.get(), nullptr, 1000, 0),
              C4D_EXECUTIONRESULT_OK);
    return plugin->object.modify_object(deformer_->Instance(), deformer_, doc_.get(), op, &mg, &dmg, 1.0, 0, nullptr);
  }

  // Bends the mesh: a smooth, large deformation of every point.
  void Bend() {
    for (auto& p : mesh_->Points()) {
      const double a = 0.08 * p.x;
      p = C4D_Vector{std::sin(a) * (10.0 + p.z), p.y, std::cos(a) * (10.0 + p.z)};
    }
  }

  testmesh::Mesh rest_;
  hostapp::PolygonObject* mesh_ = nullptr;
  hostapp::Object* deformer_ = nullptr;
  hostapp::Tag* tag_ = nullptr;
};

TEST_F(DeformerTest, RestPoseComesBackAndSmoothOnlySmooths) {
  ASSERT_TRUE(Modify());
  EXPECT_LT(MaxDistance(mesh_->Points(), rest_.points), 1e-12 * 12.0);
  mesh_->Points() = rest_.points;
  tag_->Data().SetInt32(SMOOTHONLY, 1);
  ASSERT_TRUE(Modify());
  EXPECT_GT(MaxDistance(mesh_->Points(), rest_.points), 0.05);
}

TEST_F(DeformerTest, NothingToDoStillSucceeds) {
  hostapp::Object* null = AddObject(C4D_ONULL);
  EXPECT_TRUE(Modify(null));
  // A mesh without tags: untouched, and no update message.
  hostapp::PolygonObject* bare = AddMesh(rest_);
  const uint32_t dirty = bare->DirtyCount();
  EXPECT_TRUE(Modify(bare));
  EXPECT_EQ(bare->DirtyCount(), dirty);
  EXPECT_TRUE(SameBits(bare->Points(), rest_.points));
  // A mesh whose tags are no bind tags: untouched, update message sent.
  bare->InsertTag(new hostapp::VertexMapTag(), nullptr);
  EXPECT_TRUE(Modify(bare));
  EXPECT_GT(bare->DirtyCount(), dirty);
  EXPECT_TRUE(SameBits(bare->Points(), rest_.points));
}

TEST_F(DeformerTest, SkippedTagsLeaveLaterTagsApplied) {
  Bend();
  const Points bent = mesh_->Points();
  tag_->Data().SetInt32(ITERATIONS, 0);
  ASSERT_TRUE(Modify());
  EXPECT_TRUE(SameBits(mesh_->Points(), bent));
  tag_->Data().SetInt32(ITERATIONS, 2);
  tag_->Data().SetInt32(ENABLE, 0);
  ASSERT_TRUE(Modify());
  EXPECT_TRUE(SameBits(mesh_->Points(), bent));

  // A second bind tag behind the disabled one is still applied.
  mesh_->Points() = rest_.points;
  hostapp::Tag* second = AddTag(mesh_);
  ASSERT_TRUE(Press(second, BIND));
  mesh_->InsertTag(second->Remove().release(), tag_);  // after the first tag
  mesh_->Points() = bent;
  ASSERT_TRUE(Modify());
  EXPECT_FALSE(SameBits(mesh_->Points(), bent));
}

TEST_F(DeformerTest, SeveralTagsCompound) {
  mesh_->Points() = rest_.points;
  hostapp::Tag* second = AddTag(mesh_);  // first on the object now
  second->Data().SetInt32(SMOOTHTYPE, 0);
  second->Data().SetInt32(ITERATIONS, 3);
  ASSERT_TRUE(Press(second, BIND));
  Bend();
  const Points bent = mesh_->Points();
  ASSERT_TRUE(Modify());
  const Points both = mesh_->Points();

  // The same as applying the first tag, then the second on its result.
  mesh_->Points() = bent;
  tag_->Data().SetInt32(ENABLE, 0);
  ASSERT_TRUE(Modify());
  tag_->Data().SetInt32(ENABLE, 1);
  second->Data().SetInt32(ENABLE, 0);
  ASSERT_TRUE(Modify());
  EXPECT_TRUE(SameBits(mesh_->Points(), both));
}

TEST_F(DeformerTest, MismatchesEndThePass) {
  Bend();
  const Points bent = mesh_->Points();
  mesh_->Points().push_back(C4D_Vector{0, 0, 0});
  const uint32_t dirty = mesh_->DirtyCount();
  EXPECT_TRUE(Modify());
  EXPECT_EQ(mesh_->DirtyCount(), dirty);  // no update message
  mesh_->Points().pop_back();
  EXPECT_TRUE(SameBits(mesh_->Points(), bent));

  // A linked vertex map of the wrong size fails the pass, even when switched off.
  auto* map = new hostapp::VertexMapTag();
  map->Weights().assign(bent.size() + 1, 1.0f);
  mesh_->InsertTag(map, tag_);
  tag_->Data().SetLink(VERTEXMAP, map);
  tag_->Data().SetInt32(1009, 0);
  EXPECT_FALSE(Modify());
  EXPECT_TRUE(SameBits(mesh_->Points(), bent));
}

TEST_F(DeformerTest, FalloffBlendsExactly) {
  Bend();
  const Points bent = mesh_->Points();
  ASSERT_TRUE(Modify());
  const Points full = mesh_->Points();

  // A sphere around part of the mesh with a full-weight core: outside the points stay
  // exactly as they came in; in the core they land exactly on the full result.
  hostapp::Container& bc = deformer_->Data();
  bc.SetInt32(hostapp::kFalloffMode, C4D_FALLOFF_SPHERE);
  bc.SetVector(hostapp::kFalloffSize, C4D_Vector{4.0, 4.0, 4.0});
  bc.SetFloat(hostapp::kFalloffInner, 0.5);
  C4D_Matrix m = deformer_->Ml();
  m.off = bent[0];
  deformer_->SetMl(m);
  mesh_->Points() = bent;
  ASSERT_TRUE(Modify());
  int outside = 0, core = 0;
  for (size_t i = 0; i < bent.size(); ++i) {
    const double d = std::sqrt((bent[i].x - bent[0].x) * (bent[i].x - bent[0].x) +
                               (bent[i].y - bent[0].y) * (bent[i].y - bent[0].y) +
                               (bent[i].z - bent[0].z) * (bent[i].z - bent[0].z));
    if (d > 4.0) {
      ++outside;
      EXPECT_EQ(std::memcmp(&mesh_->Points()[i], &bent[i], sizeof(C4D_Vector)), 0) << i;
    } else if (d < 1.9) {
      ++core;
      EXPECT_EQ(std::memcmp(&mesh_->Points()[i], &full[i], sizeof(C4D_Vector)), 0) << i;
    }
  }
  EXPECT_GT(outside, 10);
  EXPECT_GT(core, 2);
}

TEST_F(DeformerTest, ListFiltersByTagInBothModes) {
  Bend();
  const Points bent = mesh_->Points();
  hostapp::InExclude list;
  list.Add(tag_);
  deformer_->Data().SetInExclude(LIST, list);
  ASSERT_TRUE(Modify());  // mode 1: the listed tag is left out
  EXPECT_TRUE(SameBits(mesh_->Points(), bent));

  deformer_->Data().SetInt32(LISTMODE, 0);  // only listed tags
  ASSERT_TRUE(Modify());
  EXPECT_FALSE(SameBits(mesh_->Points(), bent));

  mesh_->Points() = bent;
  deformer_->Data().SetInExclude(LIST, hostapp::InExclude());
  ASSERT_TRUE(Modify());  // an empty list applies none
  EXPECT_TRUE(SameBits(mesh_->Points(), bent));
  deformer_->Data().Remove(LIST);
  ASSERT_TRUE(Modify());  // no list at all: the pass ends
  EXPECT_TRUE(SameBits(mesh_->Points(), bent));
}

TEST_F(DeformerTest, AnyNonZeroPinningBindsAndDeformsAlike) {
  // Bound with pinning stored as 2, the rest pose still comes back, and it deforms as 1 does.
  mesh_->Points() = rest_.points;
  tag_->Data().SetInt32(PINBORDER, 2);
  ASSERT_TRUE(Press(tag_, BIND));
  ASSERT_TRUE(Modify());
  EXPECT_LT(MaxDistance(mesh_->Points(), rest_.points), 1e-12 * 12.0);
  Bend();
  const Points bent = mesh_->Points();
  ASSERT_TRUE(Modify());
  const Points withTwo = mesh_->Points();
  mesh_->Points() = rest_.points;
  tag_->Data().SetInt32(PINBORDER, 1);
  ASSERT_TRUE(Press(tag_, BIND));
  mesh_->Points() = bent;
  ASSERT_TRUE(Modify());
  EXPECT_TRUE(SameBits(mesh_->Points(), withTwo));
}

TEST_F(DeformerTest, FailedAllocationsLeaveEveryPointRewrittenOrUntouched) {
  hostapp::SetProcessorCountForTesting(2);
  Bend();
  const Points bent = mesh_->Points();
  const int64_t before = hostapp::AllocationCount();
  ASSERT_TRUE(Modify());
  const int64_t total = hostapp::AllocationCount() - before;
  const Points full = mesh_->Points();
  int failed = 0;
  for (int64_t k = 1; k <= total; ++k) {
    mesh_->Points() = bent;
    hostapp::FailAllocationAfter(k);
    Modify();
    hostapp::FailAllocationAfter(0);
    const Points& out = mesh_->Points();
    bool untouched = true;
    for (size_t i = 0; i < out.size(); ++i) {
      const bool same = std::memcmp(&out[i], &bent[i], sizeof(C4D_Vector)) == 0;
      untouched = untouched && same;
      // A neighbour entry left out changes the smoothing, so a rewritten point need not
      // equal the full result; it must be finite and near it.
      if (!same) {
        EXPECT_LT(std::fabs(out[i].x - full[i].x) + std::fabs(out[i].y - full[i].y), 5.0) << k;
      }
    }
    failed += untouched;
  }
  EXPECT_GT(failed, 0);
}

}  // namespace
}  // namespace plugintest

namespace plugintest {
namespace {

// The deformer object around the pass: menu creation, drawing, dirty checks, handles, copies.
class DeformerObjectTest : public PluginTest {
 protected:
  const C4D_ObjectHooks& Hooks(hostapp::Object* op) { return op->Plugin()->object; }
};

TEST_F(DeformerObjectTest, NewDeformerAppliesEveryTagAndMenuCreationSwitchesItOn) {
  hostapp::Object* d = AddObject(kDeformerId);
  EXPECT_EQ(d->Data().GetInt32(LISTMODE, -1), 1);
  EXPECT_FALSE(d->Data().Has(LIST));
  d->SetState(C4D_OBJECT_DEFORM, false);
  EXPECT_TRUE(d->Message(C4D_MSG_MENUPREPARE, nullptr));
  EXPECT_TRUE(d->GetState(C4D_OBJECT_DEFORM));
  EXPECT_EQ(Hooks(d).execute(d->Instance(), d, doc_.get(), nullptr, 1000, 0), C4D_EXECUTIONRESULT_OK);
}

TEST_F(DeformerObjectTest, DrawsItsFalloffOnlyWhileDeforming) {
  hostapp::Object* d = AddObject(kDeformerId);
  d->Data().SetInt32(hostapp::kFalloffMode, C4D_FALLOFF_SPHERE);
  Hooks(d).execute(d->Instance(), d, doc_.get(), nullptr, 1000, 0);
  hostapp::View view;
  EXPECT_EQ(Hooks(d).draw(d->Instance(), d, C4D_DRAWPASS_OBJECT, &view, nullptr), C4D_DRAWRESULT_OK);
  EXPECT_GT(view.lines.size(), 10u);
  EXPECT_EQ(Hooks(d).draw(d->Instance(), d, C4D_DRAWPASS_HANDLES, &view, nullptr), C4D_DRAWRESULT_OK);
  EXPECT_EQ(view.handles.size(), 1u);  // the sphere's radius

  hostapp::View off;
  d->SetState(C4D_OBJECT_DEFORM, false);
  EXPECT_EQ(Hooks(d).draw(d->Instance(), d, C4D_DRAWPASS_OBJECT, &off, nullptr), C4D_DRAWRESULT_SKIP);
  EXPECT_TRUE(off.lines.empty());
}

TEST_F(DeformerObjectTest, AFalloffChangeMarksItDirtyOnce) {
  hostapp::Object* d = AddObject(kDeformerId);
  auto check = [&] {
    const uint32_t before = d->DirtyCount();
    Hooks(d).check_dirty(d->Instance(), d, doc_.get());
    return d->DirtyCount() != before;
  };
  check();  // the first look takes the falloff's current count
  EXPECT_FALSE(check());
  d->Data().SetFloat(hostapp::kFalloffStrength, 0.5);
  EXPECT_TRUE(check());
  EXPECT_FALSE(check());
}

TEST_F(DeformerObjectTest, HandlesMoveTheFalloffAndCopiesKeepItsSettings) {
  hostapp::Object* d = AddObject(kDeformerId);
  EXPECT_EQ(Hooks(d).get_handle_count(d->Instance(), d), 0);  // infinite: nothing to drag
  d->Data().SetInt32(hostapp::kFalloffMode, C4D_FALLOFF_BOX);
  ASSERT_EQ(Hooks(d).get_handle_count(d->Instance(), d), 3);
  C4D_HandleInfo info{};
  Hooks(d).get_handle(d->Instance(), d, 1, &info);
  EXPECT_EQ(info.position.y, 100.0);
  Hooks(d).set_handle(d->Instance(), d, 1, C4D_Vector{0, 42, 0}, &info);
  EXPECT_EQ(d->Data().GetVector(hostapp::kFalloffSize).y, 42.0);

  std::unique_ptr<hostapp::Object> copy = d->Clone(hostapp::CloneMode::kDuplicate);
  ASSERT_TRUE(copy);
  EXPECT_EQ(copy->Data().GetInt32(hostapp::kFalloffMode), C4D_FALLOFF_BOX);
  EXPECT_EQ(Hooks(copy.get()).get_handle_count(copy->Instance(), copy.get()), 3);
}

}  // namespace
}  // namespace plugintest

// The skin deformer: linear blend skinning against hand-computed positions, rigid motions of
// the whole skeleton, the mesh's own frame, and the cases it leaves alone.
#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "hostapp/eval/evaluate.h"
#include "hostapp/eval/transform.h"
#include "hostapp/eval/weight_tag.h"
#include "hostapp/scene/matrix.h"
#include "tests/hostapp/eval_plugins.h"

namespace {

using evaltest::EvalTest;
using hostapp::Object;
using hostapp::PolygonObject;
using hostapp::WeightTag;

constexpr double kHalfPi = 1.57079632679489661923;

void ExpectNear(const C4D_Vector& a, const C4D_Vector& b, double tol = 1e-9) {
  EXPECT_NEAR(a.x, b.x, tol);
  EXPECT_NEAR(a.y, b.y, tol);
  EXPECT_NEAR(a.z, b.z, tol);
}

class SkinTest : public EvalTest {
 protected:
  // Joints A at the origin and B at (10, 0, 0), a skinned mesh with a skin under it.
  void Build(std::vector<C4D_Vector> points, Object* mesh_parent = nullptr) {
    a = Add(C4D_OJOINT, "A");
    b = Add(C4D_OJOINT, "B");
    b->SetMl(hostapp::TranslationMatrix(C4D_Vector{10, 0, 0}));
    mesh = AddMesh("Mesh", std::move(points), mesh_parent);
    weights = static_cast<WeightTag*>(AddTag(C4D_TWEIGHT, "Weights", mesh));
    EXPECT_EQ(weights->AddJoint(*a), 0);
    EXPECT_EQ(weights->AddJoint(*b), 1);
    weights->Resize(static_cast<int32_t>(mesh->Points().size()), 2);
    skin = Add(C4D_OSKIN, "Skin", mesh);
  }

  Object *a = nullptr, *b = nullptr, *skin = nullptr;
  PolygonObject* mesh = nullptr;
  WeightTag* weights = nullptr;
};

TEST_F(SkinTest, TwoJointsBlendAsComputedByHand) {
  Build({{5, 0, 0}, {20, 0, 0}, {15, 0, 0}, {20, 0, 0}});
  weights->SetPair(0, 0, 0, 1.0f);
  weights->SetPair(1, 0, 1, 1.0f);
  weights->SetPair(2, 0, 0, 0.5f);
  weights->SetPair(2, 1, 1, 0.5f);
  weights->SetPair(3, 1, 1, 0.25f);  // the remaining 0.75 keeps the point where it is
  // B turns a quarter about z around its own origin.
  b->SetMl(hostapp::MultiplyMatrix(hostapp::TranslationMatrix(C4D_Vector{10, 0, 0}), hostapp::RotationZMatrix(kHalfPi)));

  hostapp::EvaluationResult r = hostapp::Evaluate(*doc, 0.0);

  ASSERT_TRUE(r.issues.empty());
  const std::vector<C4D_Vector>& p = *r.Points(*mesh);
  ExpectNear(p[0], {5, 0, 0});
  ExpectNear(p[1], {10, 10, 0});
  ExpectNear(p[2], {12.5, 2.5, 0});  // half of (15, 0, 0), half of (10, 5, 0)
  ExpectNear(p[3], {17.5, 2.5, 0});
  ExpectNear(mesh->Points()[1], {20, 0, 0});  // rest points untouched
}

TEST_F(SkinTest, RigidMotionOfBothJointsMovesAPlacedMeshRigidly) {
  // The mesh sits under a turned, moved parent, so skinning must go through global space.
  Object* holder = Add(C4D_ONULL, "Holder");
  C4D_Matrix place = hostapp::MultiplyMatrix(hostapp::TranslationMatrix(C4D_Vector{3, -4, 8}),
                                             hostapp::RotationXMatrix(0.7));
  holder->SetMl(place);
  std::mt19937 rng(7);
  std::uniform_real_distribution<double> u(-20.0, 20.0);
  std::vector<C4D_Vector> points(50);
  for (C4D_Vector& q : points) q = C4D_Vector{u(rng), u(rng), u(rng)};
  Build(points, holder);
  std::uniform_real_distribution<float> w(0.0f, 1.0f);
  for (int32_t i = 0; i < 50; ++i) {
    const float wa = w(rng);
    weights->SetPair(i, 0, 0, wa);
    weights->SetPair(i, 1, 1, 1.0f - wa);
  }
  const C4D_Matrix motion = hostapp::MultiplyMatrix(hostapp::TranslationMatrix(C4D_Vector{-2, 5, 1}),
                                                    hostapp::MatrixFromTrs(hostapp::Trs{
                                                        {0, 0, 0}, hostapp::QuaternionFromAxisAngle({1, 2, 3}, 1.1), {1, 1, 1}}));
  a->SetMl(hostapp::MultiplyMatrix(motion, a->Ml()));
  b->SetMl(hostapp::MultiplyMatrix(motion, b->Ml()));

  hostapp::EvaluationResult r = hostapp::Evaluate(*doc, 0.0);

  const C4D_Matrix expected = hostapp::MultiplyMatrix(hostapp::InvertMatrix(mesh->Mg()),
                                                      hostapp::MultiplyMatrix(motion, mesh->Mg()));
  const std::vector<C4D_Vector>& p = *r.Points(*mesh);
  for (size_t i = 0; i < points.size(); ++i) ExpectNear(p[i], hostapp::TransformPoint(expected, points[i]), 1e-9);
}

TEST_F(SkinTest, WeightsAboveOneAreNormalisedAndFreedJointsStayPut) {
  Build({{20, 0, 0}, {20, 0, 0}});
  weights->SetPair(0, 0, 1, 1.5f);
  weights->SetPair(0, 1, 1, 0.5f);  // sums to 2: divided out, the point follows B fully
  weights->SetPair(1, 0, 0, 1.0f);  // on A, which is freed below
  b->SetMl(hostapp::TranslationMatrix(C4D_Vector{10, 3, 0}));
  delete a;

  hostapp::EvaluationResult r = hostapp::Evaluate(*doc, 0.0);

  ExpectNear(r.Points(*mesh)->at(0), {20, 3, 0});
  ExpectNear(r.Points(*mesh)->at(1), {20, 0, 0});
}

TEST_F(SkinTest, MissingOrMismatchedWeightTagLeavesThePoints) {
  Build({{20, 0, 0}, {21, 0, 0}});
  weights->SetPair(0, 0, 1, 1.0f);
  b->SetMl(hostapp::TranslationMatrix(C4D_Vector{10, 3, 0}));
  weights->Resize(3, 2);  // made for another mesh
  PolygonObject* bare = AddMesh("Bare", {{20, 0, 0}});
  Add(C4D_OSKIN, "Bare Skin", bare);

  hostapp::EvaluationResult r = hostapp::Evaluate(*doc, 0.0);

  EXPECT_EQ(r.Count(hostapp::IssueKind::kSkinSkipped), 2u);
  ExpectNear(r.Points(*mesh)->at(0), {20, 0, 0});
  ExpectNear(r.Points(*bare)->at(0), {20, 0, 0});
}

}  // namespace

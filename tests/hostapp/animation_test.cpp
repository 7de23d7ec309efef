// Animation tracks: key sampling between and beyond keys, callbacks, and evaluation applying
// them before the deformers; plus the transform helpers they rest on.
#include <gtest/gtest.h>

#include <cmath>

#include "hostapp/eval/animation.h"
#include "hostapp/eval/evaluate.h"
#include "hostapp/eval/transform.h"
#include "hostapp/scene/matrix.h"
#include "tests/hostapp/eval_plugins.h"

namespace {

using evaltest::EvalTest;
using hostapp::TransformKey;

constexpr double kPi = 3.14159265358979323846;

TransformKey Key(double frame, C4D_Vector t, double angle_z, double scale) {
  TransformKey k;
  k.frame = frame;
  k.local.translation = t;
  k.local.rotation = hostapp::QuaternionFromAxisAngle({0, 0, 1}, angle_z);
  k.local.scale = C4D_Vector{scale, scale, scale};
  return k;
}

TEST(Transform, DecomposeAndInvertRoundTrip) {
  hostapp::Trs trs;
  trs.translation = C4D_Vector{1, -2, 3};
  trs.rotation = hostapp::QuaternionFromAxisAngle({0.3, -1, 2}, 2.5);
  trs.scale = C4D_Vector{2, 0.5, 3};
  const C4D_Matrix m = hostapp::MatrixFromTrs(trs);
  const C4D_Matrix back = hostapp::MatrixFromTrs(hostapp::DecomposeMatrix(m));
  const C4D_Matrix id = hostapp::MultiplyMatrix(m, hostapp::InvertMatrix(m));
  const double* a = &m.off.x;
  const double* b = &back.off.x;
  const double* c = &id.off.x;
  const double identity[12] = {0, 0, 0, 1, 0, 0, 0, 1, 0, 0, 0, 1};
  for (int i = 0; i < 12; ++i) {
    EXPECT_NEAR(a[i], b[i], 1e-12) << i;
    EXPECT_NEAR(c[i], identity[i], 1e-12) << i;
  }
}

TEST(Animation, KeysInterpolateBetweenAndHoldBeyond) {
  const std::vector<TransformKey> keys = {Key(10, {0, 0, 0}, 0.0, 1.0), Key(20, {10, 20, 0}, kPi / 2, 3.0)};
  const C4D_Matrix mid = hostapp::SampleKeys(keys, 15);
  EXPECT_NEAR(mid.off.x, 5.0, 1e-12);
  EXPECT_NEAR(mid.off.y, 10.0, 1e-12);
  // Half way in rotation (45 degrees about z) and in scale (2).
  EXPECT_NEAR(mid.v1.x, 2.0 * std::cos(kPi / 4), 1e-12);
  EXPECT_NEAR(mid.v1.y, 2.0 * std::sin(kPi / 4), 1e-12);
  EXPECT_NEAR(mid.v3.z, 2.0, 1e-12);
  EXPECT_EQ(hostapp::SampleKeys(keys, -5).off.x, 0.0);
  EXPECT_NEAR(hostapp::SampleKeys(keys, 99).off.y, 20.0, 1e-12);
}

TEST_F(EvalTest, EvaluationAppliesTracksBeforeDeformingAndSkipsFreedObjects) {
  hostapp::Object* mover = Add(C4D_ONULL, "Mover");
  hostapp::PolygonObject* mesh = AddMesh("Mesh", {{0, 0, 0}}, mover);
  double seen_x = -1;
  evaltest::log.on_modify = [&](C4D_Node*, C4D_Document*, C4D_Node*, const C4D_Matrix* op_mg) {
    seen_x = op_mg->off.x;
  };
  AddDeformer("Deformer", mesh);
  hostapp::Object* gone = Add(C4D_ONULL, "Gone");

  hostapp::Evaluator ev(*doc);
  ev.GetAnimation().SetKeys(*mover, {Key(0, {0, 0, 0}, 0, 1), Key(10, {100, 0, 0}, 0, 1)});
  ev.GetAnimation().SetCallback(*gone, [](double) { return hostapp::IdentityMatrix(); });
  delete gone;
  ev.Evaluate(2.5);
  EXPECT_NEAR(seen_x, 25.0, 1e-12);
  EXPECT_NEAR(mover->Ml().off.x, 25.0, 1e-12);

  ev.GetAnimation().SetCallback(*mover, [](double f) { return hostapp::TranslationMatrix({f, 0, 0}); });
  EXPECT_EQ(ev.GetAnimation().TrackCount(), 2u);  // the callback replaced the keys
  ev.Evaluate(7.0);
  EXPECT_EQ(seen_x, 7.0);
}

}  // namespace

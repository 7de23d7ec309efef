// The generated arm: a closed, outward-facing surface; weights that blend across the elbow;
// the skinned arm at rest, bent and twisted; and the skinned scene through a scene file.
#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <utility>

#include "hostapp/eval/arm.h"
#include "hostapp/eval/evaluate.h"
#include "hostapp/eval/transform.h"
#include "hostapp/eval/weight_tag.h"
#include "hostapp/scene/scenefile.h"
#include "tests/hostapp/eval_plugins.h"

namespace {

using evaltest::EvalTest;
using hostapp::ArmOptions;

constexpr double kPi = 3.14159265358979323846;

C4D_Vector Cross(const C4D_Vector& a, const C4D_Vector& b) {
  return C4D_Vector{a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}
double Dot(const C4D_Vector& a, const C4D_Vector& b) { return a.x * b.x + a.y * b.y + a.z * b.z; }

TEST(ArmMesh, IsClosedConsistentlyOrientedAndFacesOutward) {
  const ArmOptions o;
  const hostapp::Mesh mesh = hostapp::MakeArmMesh(o);
  const int32_t n = static_cast<int32_t>(mesh.points.size());
  EXPECT_EQ(n, o.segments * (o.rings + 2 * o.cap_rings) + 2);
  EXPECT_GT(n, 3000);
  // Every directed edge once, and its reverse once: closed, one orientation throughout.
  std::map<std::pair<int32_t, int32_t>, int> edges;
  double volume = 0;
  for (const C4D_CPolygon& q : mesh.polygons) {
    const int32_t c[4] = {q.a, q.b, q.c, q.d};
    const int corners = q.c == q.d ? 3 : 4;
    for (int k = 0; k < corners; ++k) {
      ASSERT_TRUE(c[k] >= 0 && c[k] < n);
      ++edges[{c[k], c[(k + 1) % corners]}];
    }
    for (int k = 1; k + 1 < corners; ++k) {  // signed volume of the fan
      volume += Dot(mesh.points[c[0]], Cross(mesh.points[c[k]], mesh.points[c[k + 1]])) / 6.0;
    }
  }
  for (const auto& e : edges) {
    EXPECT_EQ(e.second, 1);
    EXPECT_EQ(edges.count({e.first.second, e.first.first}), 1u);
  }
  EXPECT_NEAR(volume, kPi * o.radius * o.radius * o.length, 0.02 * volume);
}

TEST_F(EvalTest, ArmRestsBendsAtTheElbowAndTwistsAboutTheForearm) {
  const ArmOptions o;
  hostapp::ArmScene arm = hostapp::MakeArmScene(*doc, o);
  const std::vector<C4D_Vector> rest = arm.mesh->Points();
  for (int32_t i = 0; i < arm.weights->PointCount(); ++i) {
    EXPECT_NEAR(arm.weights->Weights()[2 * i] + arm.weights->Weights()[2 * i + 1], 1.0, 1e-6);
  }
  EXPECT_EQ(hostapp::ForearmWeight(0.0, o), 0.0);
  EXPECT_EQ(hostapp::ForearmWeight(o.length, o), 1.0);

  hostapp::Evaluator ev(*doc);
  hostapp::EvaluationResult r = ev.Evaluate(0);
  ASSERT_TRUE(r.issues.empty());
  for (size_t i = 0; i < rest.size(); ++i) EXPECT_NEAR(r.Points(*arm.mesh)->at(i).y, rest[i].y, 1e-12);

  hostapp::PoseArm(arm, hostapp::ArmPose{kPi / 2, 0.0});
  r = ev.Evaluate(0);
  const std::vector<C4D_Vector>& bent = *r.Points(*arm.mesh);
  const size_t end_centre = rest.size() - 1;  // (length, 0, 0) goes to (length/2, length/2, 0)
  EXPECT_NEAR(bent[end_centre].x, 0.5 * o.length, 1e-9);
  EXPECT_NEAR(bent[end_centre].y, 0.5 * o.length, 1e-9);
  EXPECT_EQ(bent[0].x, rest[0].x);  // the upper arm stays

  // A twist turns forearm points about the forearm's axis: their distance from it is kept.
  hostapp::PoseArm(arm, hostapp::ArmPose{0.0, 0.8});
  r = ev.Evaluate(0);
  const std::vector<C4D_Vector>& twisted = *r.Points(*arm.mesh);
  const size_t tip = static_cast<size_t>(o.segments) * static_cast<size_t>(o.rings - 1) + 3;  // on the last ring
  EXPECT_NEAR(std::hypot(twisted[tip].y, twisted[tip].z), std::hypot(rest[tip].y, rest[tip].z), 1e-9);
  EXPECT_GT(std::fabs(twisted[tip].y - rest[tip].y), 1.0);

  hostapp::AnimateArm(ev.GetAnimation(), arm, 48.0, 1.4, 0.7);
  ev.Evaluate(24.0);
  EXPECT_NEAR(hostapp::DecomposeMatrix(arm.forearm->Ml()).rotation.z, std::sin(0.7), 1e-9);  // full bend
}

TEST_F(EvalTest, SkinnedArmSurvivesASceneFile) {
  hostapp::ArmScene arm = hostapp::MakeArmScene(*doc, ArmOptions());
  std::vector<uint8_t> bytes;
  std::string error;
  ASSERT_TRUE(hostapp::SerializeDocument(*doc, &bytes, &error)) << error;
  std::unique_ptr<hostapp::Document> loaded = hostapp::ParseDocument(bytes.data(), bytes.size(), "arm", &error);
  ASSERT_NE(loaded, nullptr) << error;

  hostapp::Object* forearm = loaded->FindObject("Forearm");
  auto* mesh = hostapp::ToPolygonObject(loaded->FindObject("Arm"));
  ASSERT_TRUE(forearm && mesh);
  const hostapp::WeightTag* weights = hostapp::FindWeightTag(*mesh);
  ASSERT_NE(weights, nullptr);
  EXPECT_EQ(weights->Joint(1), forearm);
  EXPECT_EQ(weights->Weights(), arm.weights->Weights());

  const hostapp::ArmPose pose{0.9, -0.4};
  hostapp::PoseArm(arm, pose);
  forearm->SetMl(hostapp::ForearmFrame(arm.length, pose));
  const std::vector<C4D_Vector> a = *hostapp::Evaluate(*doc, 0).Points(*arm.mesh);
  const std::vector<C4D_Vector> b = *hostapp::Evaluate(*loaded, 0).Points(*mesh);
  ASSERT_EQ(a.size(), b.size());
  for (size_t i = 0; i < a.size(); ++i) EXPECT_EQ(a[i].y, b[i].y) << i;
}

}  // namespace

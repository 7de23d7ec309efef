// The surface figures of the report on meshes with known answers: edge strain, detail kept
// and self-intersections, and which frames the picture shows.
#include "hostapp/app/surface_measures.h"

#include <cmath>

#include "hostapp/app/comparison.h"
#include "hostapp/eval/arm.h"
#include "run_env.h"

namespace e2e_run {
namespace {

// A cube of six quads from corner `at` with side `side`, every face turning outward, its
// points numbered from `base`.
void AddCube(hostapp::Mesh* m, C4D_Vector at, double side) {
  const int32_t base = static_cast<int32_t>(m->points.size());
  for (int i = 0; i < 8; ++i) {
    m->points.push_back(C4D_Vector{at.x + side * (i & 1), at.y + side * ((i >> 1) & 1), at.z + side * ((i >> 2) & 1)});
  }
  const int32_t faces[6][4] = {{0, 2, 3, 1}, {4, 5, 7, 6}, {0, 1, 5, 4}, {2, 6, 7, 3}, {0, 4, 6, 2}, {1, 3, 7, 5}};
  for (const auto& f : faces) m->polygons.push_back(C4D_CPolygon{base + f[0], base + f[1], base + f[2], base + f[3]});
}

struct Figures {
  hostapp::EdgeChange strain;
  double volume = 0, detail = 0;
};

Figures Measure(const hostapp::Mesh& rest, const std::vector<C4D_Vector>& deformed) {
  const std::vector<hostapp::MeshEdge> edges = hostapp::UniqueEdges(rest.polygons);
  const hostapp::DetailMeasure detail(rest.points.size(), edges);
  Figures f;
  f.strain = hostapp::MeasureEdgeChange(rest.points, deformed, edges);
  f.volume = hostapp::SignedVolume(deformed, rest.polygons) / hostapp::SignedVolume(rest.points, rest.polygons);
  f.detail = detail.Total(deformed) / detail.Total(rest.points);
  return f;
}

// Moved rigidly, the arm keeps every figure; scaled by 1.1, every edge stretches by 10 %, the
// volume grows by 1.1^3 and the detail by 1.1; smoothed, it keeps its volume roughly but
// loses most of its detail.
TEST(SurfaceMeasuresTest, StrainVolumeAndDetailOfMovedScaledAndSmoothedMeshes) {
  const hostapp::Mesh arm = hostapp::MakeArmMesh(hostapp::ArmOptions());
  const double c = std::cos(0.7), s = std::sin(0.7);
  std::vector<C4D_Vector> moved, scaled;
  for (const C4D_Vector& p : arm.points) {
    moved.push_back(C4D_Vector{c * p.x - s * p.y + 30.0, s * p.x + c * p.y - 4.0, p.z + 12.0});
    scaled.push_back(C4D_Vector{1.1 * p.x + 5.0, 1.1 * p.y, 1.1 * p.z});
  }
  const Figures m = Measure(arm, moved);
  EXPECT_LT(m.strain.max, 1e-12);
  EXPECT_NEAR(m.volume, 1.0, 1e-12);
  EXPECT_NEAR(m.detail, 1.0, 1e-12);

  const Figures f = Measure(arm, scaled);
  EXPECT_NEAR(f.strain.Mean(), 0.1, 1e-12);
  EXPECT_NEAR(f.strain.p95, 0.1, 1e-12);
  EXPECT_NEAR(f.strain.max, 0.1, 1e-12);
  EXPECT_NEAR(f.volume, 1.331, 1e-9);
  EXPECT_NEAR(f.detail, 1.1, 1e-9);

  // Each point moved to the mean of its neighbours, five times: the ridges flatten.
  const std::vector<hostapp::MeshEdge> edges = hostapp::UniqueEdges(arm.polygons);
  std::vector<std::vector<int32_t>> near(arm.points.size());
  for (const hostapp::MeshEdge& e : edges) {
    near[e.a].push_back(e.b);
    near[e.b].push_back(e.a);
  }
  std::vector<C4D_Vector> smooth = arm.points;
  for (int step = 0; step < 5; ++step) {
    std::vector<C4D_Vector> next(smooth.size());
    for (size_t i = 0; i < smooth.size(); ++i) {
      C4D_Vector sum{0, 0, 0};
      for (int32_t j : near[i]) sum = C4D_Vector{sum.x + smooth[j].x, sum.y + smooth[j].y, sum.z + smooth[j].z};
      const double w = 1.0 / near[i].size();
      next[i] = C4D_Vector{sum.x * w, sum.y * w, sum.z * w};
    }
    smooth.swap(next);
  }
  const Figures b = Measure(arm, smooth);
  EXPECT_LT(b.detail, 0.5);
  EXPECT_GT(b.volume, 0.8);
}

TEST(SurfaceMeasuresTest, SelfIntersectionsOfCubes) {
  if (!hostapp::SelfIntersectionsMeasured()) GTEST_SKIP() << "built without CGAL";
  hostapp::Mesh one;
  AddCube(&one, C4D_Vector{0, 0, 0}, 1.0);
  EXPECT_EQ(hostapp::CountSelfIntersections(one.points, one.polygons), 0);

  // A second cube with its corner inside the first: each of the three faces of one cube
  // around the corner crosses the two faces of the other that are not parallel to it.
  hostapp::Mesh overlapping = one;
  AddCube(&overlapping, C4D_Vector{0.5, 0.5, 0.5}, 1.0);
  EXPECT_EQ(hostapp::CountSelfIntersections(overlapping.points, overlapping.polygons), 6);

  // Apart, they do not meet.
  hostapp::Mesh apart = one;
  AddCube(&apart, C4D_Vector{3, 0, 0}, 1.0);
  EXPECT_EQ(hostapp::CountSelfIntersections(apart.points, apart.polygons), 0);

  // A face used twice in the same direction is no surface: not measured.
  hostapp::Mesh doubled = one;
  doubled.polygons.push_back(doubled.polygons[0]);
  EXPECT_EQ(hostapp::CountSelfIntersections(doubled.points, doubled.polygons), -1);
}

// The picture's rows: the most strained frames of the skin alone, apart from each other,
// in frame order; frames without strain only when nothing else is left.
TEST(SurfaceMeasuresTest, PictureRowsAreTheMostStrainedFrames) {
  std::vector<hostapp::FrameReport> rows(12);
  const double mean[12] = {0, 1, 2, 3, 9, 8, 7, 1, 1, 5, 2, 0};
  for (int i = 0; i < 12; ++i) {
    rows[i].frame = 100 + i;
    rows[i].skin.strain.edges = 1;
    rows[i].skin.strain.sum = mean[i];
  }
  // Spacing 12 / 6 = 2: after frame 104, 105 is too near; 106 is next, then 109.
  EXPECT_EQ(hostapp::MostStrainedFrames(rows, 3), (std::vector<int32_t>{104, 106, 109}));
  EXPECT_EQ(hostapp::MostStrainedFrames(rows, 1), (std::vector<int32_t>{104}));
  std::vector<hostapp::FrameReport> still(2);
  still[0].frame = 0;
  still[1].frame = 1;
  EXPECT_EQ(hostapp::MostStrainedFrames(still, 3), (std::vector<int32_t>{0, 1}));
}

}  // namespace
}  // namespace e2e_run

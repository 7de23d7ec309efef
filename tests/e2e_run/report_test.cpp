// The quality figures on meshes with known answers.
#include "hostapp/app/report.h"

#include <cmath>
#include <limits>

#include "run_env.h"

namespace e2e_run {
namespace {

// A unit cube of six quads, every face turning outward.
hostapp::Mesh Cube() {
  hostapp::Mesh m;
  for (int i = 0; i < 8; ++i) m.points.push_back(C4D_Vector{double(i & 1), double((i >> 1) & 1), double((i >> 2) & 1)});
  m.polygons = {{0, 2, 3, 1}, {4, 5, 7, 6}, {0, 1, 5, 4}, {2, 6, 7, 3}, {0, 4, 6, 2}, {1, 3, 7, 5}};
  return m;
}

TEST(ReportTest, VolumeAndClosedness) {
  hostapp::Mesh cube = Cube();
  ASSERT_TRUE(hostapp::IsClosedMesh(cube.polygons, cube.points.size()));
  const double v = hostapp::SignedVolume(cube.points, cube.polygons);
  EXPECT_NEAR(std::fabs(v), 1.0, 1e-15);
  // Moved and scaled by 2 along one axis: the volume doubles, wherever the mesh sits.
  hostapp::Mesh moved = cube;
  for (C4D_Vector& p : moved.points) p = C4D_Vector{2.0 * p.x + 5.0, p.y - 3.0, p.z + 7.0};
  EXPECT_NEAR(hostapp::SignedVolume(moved.points, moved.polygons) / v, 2.0, 1e-12);
  // A tetrahedron of triangles (c == d).
  const std::vector<C4D_Vector> tp = {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {0, 0, 1}};
  const std::vector<C4D_CPolygon> tet = {{0, 2, 1, 1}, {0, 1, 3, 3}, {0, 3, 2, 2}, {1, 2, 3, 3}};
  EXPECT_TRUE(hostapp::IsClosedMesh(tet, tp.size()));
  EXPECT_NEAR(std::fabs(hostapp::SignedVolume(tp, tet)), 1.0 / 6.0, 1e-15);

  hostapp::Mesh open = cube;
  open.polygons.pop_back();
  EXPECT_FALSE(hostapp::IsClosedMesh(open.polygons, open.points.size()));
  hostapp::Mesh flipped = cube;
  std::swap(flipped.polygons[0].b, flipped.polygons[0].d);
  EXPECT_FALSE(hostapp::IsClosedMesh(flipped.polygons, flipped.points.size()));
  hostapp::Mesh doubled = cube;
  doubled.polygons.push_back(doubled.polygons[0]);
  EXPECT_FALSE(hostapp::IsClosedMesh(doubled.polygons, doubled.points.size()));
  hostapp::Mesh out_of_range = cube;
  out_of_range.polygons[0].a = 8;
  EXPECT_FALSE(hostapp::IsClosedMesh(out_of_range.polygons, out_of_range.points.size()));
}

TEST(ReportTest, EdgeChange) {
  const hostapp::Mesh cube = Cube();
  const std::vector<hostapp::MeshEdge> edges = hostapp::UniqueEdges(cube.polygons);
  EXPECT_EQ(edges.size(), 12u);
  // Stretched to twice the length along x: the 4 edges along x change by 1, the others not.
  std::vector<C4D_Vector> stretched = cube.points;
  for (C4D_Vector& p : stretched) p.x *= 2.0;
  hostapp::EdgeChange c = hostapp::MeasureEdgeChange(cube.points, stretched, edges);
  EXPECT_EQ(c.edges, 12);
  EXPECT_DOUBLE_EQ(c.max, 1.0);
  EXPECT_DOUBLE_EQ(c.Mean(), 4.0 / 12.0);
  // A collapsed edge changes by 1 too; a non-finite point is counted apart.
  std::vector<C4D_Vector> broken = cube.points;
  broken[7].x = std::numeric_limits<double>::quiet_NaN();
  c = hostapp::MeasureEdgeChange(cube.points, broken, edges);
  EXPECT_EQ(c.non_finite, 3);
  EXPECT_EQ(c.edges, 9);
  EXPECT_EQ(c.max, 0.0);
  // Pooled with the stretch: sums and counts add, the max is the larger.
  hostapp::EdgeChange pooled = hostapp::MeasureEdgeChange(cube.points, stretched, edges);
  pooled.Add(c);
  EXPECT_EQ(pooled.edges, 21);
  EXPECT_DOUBLE_EQ(pooled.Mean(), 4.0 / 21.0);
}

TEST(ReportTest, CsvLeavesUnmeasuredFiguresEmpty) {
  hostapp::FrameReport row;
  row.frame = 12;
  row.time = 0.5;
  row.skin.strain.sum = 0.25;
  row.skin.strain.edges = 2;
  row.skin.strain.p95 = 0.15;
  row.skin.strain.max = 0.2;
  row.skin.detail_kept = 1.5;
  row.skin.self_intersections = 7;
  row.corrected.detail_kept = 1;
  const double nan = std::numeric_limits<double>::quiet_NaN();
  row.skin.volume_ratio = row.corrected.volume_ratio = nan;
  EXPECT_EQ(hostapp::ReportCsv({row}),
            std::string(hostapp::kReportCsvHeader) + "\n12,0.5,0.125,0.15,0.2,,1.5,7,0,0,0,,1,\n");
}

// The 95th percentile is the smallest change at or above which 5 % of the edges lie: with
// 20 edges it is the 19th smallest, also when pooled from two meshes.
TEST(ReportTest, StrainPercentileOfPooledMeshes) {
  hostapp::EdgeChange a, b;
  for (int i = 1; i <= 10; ++i) a.changes.push_back(0.01 * i);
  for (int i = 11; i <= 20; ++i) b.changes.push_back(0.01 * i);
  a.Finish();
  EXPECT_DOUBLE_EQ(a.p95, 0.10);  // rank ceil(9.5) = 10 of 10
  a.Add(b);
  EXPECT_DOUBLE_EQ(a.p95, 0.19);
  hostapp::EdgeChange none;
  none.Finish();
  EXPECT_EQ(none.p95, 0.0);
}

}  // namespace
}  // namespace e2e_run

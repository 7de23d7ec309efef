// Neighbour lists and border flags built from the host's adjacency.
#include <vector>

#include "support/host_env.h"
#include "tavrenthreads.h"

namespace {

using testmesh::Mesh;
using testmesh::Quad;
using testmesh::Tri;

struct Lists {
  std::vector<std::vector<int32_t>> neighbors;
  std::vector<int32_t> borders;
};

class NeighborListsTest : public HostTest {
 protected:
  Lists Build(const Mesh& mesh, int32_t pointCount = -1) {
    const int32_t n = pointCount >= 0 ? pointCount : static_cast<int32_t>(mesh.points.size());
    Neighbor adjacency;
    const CPolygon* polys = FromC(mesh.polygons.data());
    EXPECT_TRUE(adjacency.Init(n, polys, static_cast<int32_t>(mesh.polygons.size()), nullptr));
    NeighborLists lists;
    BaseArray<Int32> borders;
    EXPECT_TRUE(lists.Resize(n));
    EXPECT_TRUE(borders.Resize(n));
    EXPECT_TRUE(BuildNeighborLists(adjacency, polys, static_cast<int32_t>(mesh.polygons.size()), lists, borders));
    Lists out;
    for (int32_t p = 0; p < n; ++p) {
      out.neighbors.emplace_back(lists[p].GetFirst(), lists[p].GetFirst() + lists[p].GetCount());
      out.borders.push_back(borders[p]);
    }
    return out;
  }
};

using V = std::vector<int32_t>;

TEST_F(NeighborListsTest, SingleQuadAndTriangle) {
  Mesh quad;
  quad.points.resize(4);
  quad.polygons = {Quad(0, 1, 2, 3)};
  Lists q = Build(quad);
  EXPECT_EQ(q.neighbors[0], (V{1, 3}));
  EXPECT_EQ(q.neighbors[1], (V{0, 2}));
  EXPECT_EQ(q.neighbors[2], (V{1, 3}));
  EXPECT_EQ(q.neighbors[3], (V{2, 0}));
  EXPECT_EQ(q.borders, (V{1, 1, 1, 1}));

  Mesh tri;
  tri.points.resize(3);
  tri.polygons = {Tri(0, 1, 2)};
  Lists t = Build(tri);
  EXPECT_EQ(t.neighbors[0], (V{1, 2}));
  EXPECT_EQ(t.neighbors[1], (V{0, 2}));
  EXPECT_EQ(t.neighbors[2], (V{1, 0}));
  EXPECT_EQ(t.borders, (V{1, 1, 1}));
}

TEST_F(NeighborListsTest, SharedEdgeListedOnceWhateverTheWinding) {
  for (bool flipped : {false, true}) {
    Mesh m;
    m.points.resize(6);
    // Quads 0-1-4-3 and 1-2-5-4 share the edge 1-4; the second may run along it either way.
    m.polygons = {Quad(0, 1, 4, 3), flipped ? Quad(4, 5, 2, 1) : Quad(1, 2, 5, 4)};
    Lists l = Build(m);
    EXPECT_EQ(l.neighbors[1].size(), 3u) << flipped;
    EXPECT_EQ(l.neighbors[4].size(), 3u) << flipped;
    EXPECT_EQ(l.neighbors[0].size(), 2u);
    // The shared edge has a polygon across: its endpoints are still border points through
    // their outer edges, as every point of an open strip is.
    EXPECT_EQ(l.borders, (V{1, 1, 1, 1, 1, 1}));
  }
}

TEST_F(NeighborListsTest, ClosedCubeHasNoBorders) {
  Lists l = Build(testmesh::Cube());
  for (int32_t p = 0; p < 8; ++p) {
    EXPECT_EQ(l.neighbors[p].size(), 3u) << p;
    EXPECT_EQ(l.borders[p], 0) << p;
  }
}

TEST_F(NeighborListsTest, InteriorPointOfGridIsNoBorder) {
  Lists l = Build(testmesh::Grid(2, 2));
  EXPECT_EQ(l.borders[4], 0);
  EXPECT_EQ(l.neighbors[4].size(), 4u);
  // Order of first meeting: quad 0 side 1 (1-4), side 2 (4-3), then quad 1 side 2 (5-4),
  // quad 2 side 1... edges of the centre in polygon, then side order.
  EXPECT_EQ(l.neighbors[4], (V{1, 3, 5, 7}));
}

TEST_F(NeighborListsTest, NoPolygonsAndUnusedPoints) {
  Mesh empty;
  empty.points.resize(5);
  Lists l = Build(empty);
  for (int32_t p = 0; p < 5; ++p) {
    EXPECT_TRUE(l.neighbors[p].empty());
    EXPECT_EQ(l.borders[p], 0);
  }
  Mesh loose;
  loose.points.resize(5);
  loose.polygons = {Tri(0, 1, 2)};
  Lists m = Build(loose);
  EXPECT_TRUE(m.neighbors[4].empty());
  EXPECT_EQ(m.borders[4], 0);
}

TEST_F(NeighborListsTest, NonManifoldEdgeIsReportedOnceAndHasNoBorder) {
  // Three quads share the edge 0-1.
  Mesh m;
  m.points.resize(8);
  m.polygons = {Quad(0, 1, 2, 3), Quad(1, 0, 4, 5), Quad(0, 1, 6, 7)};
  Lists l = Build(m);
  int32_t ones = 0;
  for (int32_t x : l.neighbors[0]) ones += x == 1;
  EXPECT_EQ(ones, 1);
  EXPECT_EQ(l.neighbors[0].size(), 4u);  // 1, 3, 4, 7
  EXPECT_EQ(l.neighbors[1].size(), 4u);  // 0, 2, 5, 6
}

TEST_F(NeighborListsTest, QuadWithRepeatedCornersListsThePointWithItself) {
  // Corners b and c coincide: side 1 runs from point 1 to itself.
  Mesh m;
  m.points.resize(3);
  m.polygons = {Quad(0, 1, 1, 2)};
  Lists l = Build(m);
  EXPECT_EQ(l.neighbors[1], (V{0, 1, 1, 2}));
}

// A list that cannot grow must be reported: smoothing with a shorter list than the binding
// had would move the points and still look like success.
TEST_F(NeighborListsTest, FailedAppendIsReported) {
  const Mesh mesh = testmesh::Grid(3, 3);
  const int32_t n = static_cast<int32_t>(mesh.points.size());
  const CPolygon* polys = FromC(mesh.polygons.data());
  Neighbor adjacency;
  ASSERT_TRUE(adjacency.Init(n, polys, static_cast<int32_t>(mesh.polygons.size()), nullptr));
  for (int64_t k = 1; k <= 3; ++k) {
    NeighborLists lists;
    BaseArray<Int32> borders;
    ASSERT_TRUE(lists.Resize(n));
    ASSERT_TRUE(borders.Resize(n));
    hostapp::FailAllocationAfter(k);
    const Bool built = BuildNeighborLists(adjacency, polys, static_cast<int32_t>(mesh.polygons.size()), lists, borders);
    hostapp::FailAllocationAfter(0);
    EXPECT_FALSE(built) << "allocation " << k;
  }
}

}  // namespace

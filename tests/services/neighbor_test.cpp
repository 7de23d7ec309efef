// The adjacency behind C4D_NeighborTable, checked case by case and against a brute-force
// reading of its rules on random meshes.
#include "hostapp/services/neighbor.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <random>
#include <vector>

#include "hostapp/services/memory.h"

namespace hostapp {
namespace {

const C4D_NeighborTable* N() { return neighborTable(); }

struct Side {
  int32_t face, edge;
  bool mark;
  bool operator==(const Side& o) const { return face == o.face && edge == o.edge && mark == o.mark; }
};
std::ostream& operator<<(std::ostream& os, const Side& s) {
  return os << "{face " << s.face << ", edge " << s.edge << ", mark " << s.mark << "}";
}

// A built adjacency owned by the test.
struct Built {
  C4D_Neighbor* n = N()->neighbor_alloc();
  bool ok = false;
  Built(int32_t points, const std::vector<C4D_CPolygon>& polys) {
    ok = N()->neighbor_init(n, points, polys.data(), static_cast<int32_t>(polys.size()), nullptr);
  }
  ~Built() { N()->neighbor_free(n); }
  Side At(int32_t poly, int side) const {
    const C4D_PolyInfo* pi = N()->neighbor_poly_info(n, poly);
    return pi ? Side{pi->face[side], pi->edge[side], pi->mark[side]} : Side{-9, -9, false};
  }
  std::vector<int32_t> PolysOf(int32_t point) const {
    const int32_t* polys = nullptr;
    int32_t count = -1;
    N()->neighbor_point_polys(n, point, &polys, &count);
    return std::vector<int32_t>(polys, polys + count);
  }
  int32_t Edges() const { return AdjacencyOf(n)->EdgeCount(); }
};

using Polys = std::vector<int32_t>;

TEST(Neighbor, SingleQuadAndSingleTriangle) {
  Built quad(4, {{0, 1, 2, 3}});
  ASSERT_TRUE(quad.ok);
  for (int s = 0; s < 4; ++s) EXPECT_EQ(quad.At(0, s), (Side{-1, s, false})) << s;
  for (int p = 0; p < 4; ++p) EXPECT_EQ(quad.PolysOf(p), Polys{0});
  EXPECT_EQ(quad.Edges(), 4);

  Built tri(3, {{0, 1, 2, 2}});
  ASSERT_TRUE(tri.ok);
  EXPECT_EQ(tri.At(0, 0), (Side{-1, 0, false}));
  EXPECT_EQ(tri.At(0, 1), (Side{-1, 1, false}));
  EXPECT_EQ(tri.At(0, 2), (Side{-1, -1, true})) << "a triangle's side 2 is no edge";
  EXPECT_EQ(tri.At(0, 3), (Side{-1, 2, false}));
  EXPECT_EQ(tri.Edges(), 3);
  EXPECT_EQ(tri.PolysOf(2), Polys{0});
}

TEST(Neighbor, TwoQuadsSharingAnEdgeInEitherDirection) {
  // 3 4 5
  // 0 1 2     quad 0 = (0,1,4,3); quad 1 runs the shared edge 1-4 the other way, or the same way.
  for (const C4D_CPolygon second : {C4D_CPolygon{1, 2, 5, 4}, C4D_CPolygon{4, 5, 2, 1}}) {
    Built b(6, {{0, 1, 4, 3}, second});
    ASSERT_TRUE(b.ok);
    const int sharedSide = 3;  // (4,1) in the first form, (1,4) in the second
    EXPECT_EQ(b.At(0, 1), (Side{1, 1, false}));
    EXPECT_EQ(b.At(1, sharedSide), (Side{0, 1, true}));
    for (int s = 0; s < 3; ++s) {
      EXPECT_EQ(b.At(1, s).face, -1);
      EXPECT_FALSE(b.At(1, s).mark);
    }
    EXPECT_EQ(b.Edges(), 7);
    EXPECT_EQ(b.PolysOf(1), (Polys{0, 1}));
    EXPECT_EQ(b.PolysOf(4), (Polys{0, 1}));
    EXPECT_EQ(b.PolysOf(5), (Polys{1}));
  }
}

TEST(Neighbor, ClosedCubeHasNoBorderAndReportsEachEdgeOnce) {
  const std::vector<C4D_CPolygon> cube = {{0, 1, 2, 3}, {4, 7, 6, 5}, {0, 4, 5, 1},
                                          {1, 5, 6, 2}, {2, 6, 7, 3}, {3, 7, 4, 0}};
  Built b(8, cube);
  ASSERT_TRUE(b.ok);
  std::vector<int> unmarked(12, 0), uses(12, 0);
  for (int p = 0; p < 6; ++p) {
    for (int s = 0; s < 4; ++s) {
      const Side side = b.At(p, s);
      EXPECT_NE(side.face, -1);
      EXPECT_NE(side.face, p);
      ASSERT_GE(side.edge, 0);
      ASSERT_LT(side.edge, 12);
      unmarked[side.edge] += !side.mark;
      ++uses[side.edge];
    }
  }
  EXPECT_EQ(unmarked, std::vector<int>(12, 1));
  EXPECT_EQ(uses, std::vector<int>(12, 2));
  for (int pt = 0; pt < 8; ++pt) EXPECT_EQ(b.PolysOf(pt).size(), 3u);
}

TEST(Neighbor, ThreeQuadsOnOneEdgeEachSeeTheLowestOther) {
  Built b(8, {{0, 1, 2, 3}, {1, 0, 4, 5}, {0, 1, 6, 7}});
  ASSERT_TRUE(b.ok);
  EXPECT_EQ(b.At(0, 0), (Side{1, 0, false}));
  EXPECT_EQ(b.At(1, 0), (Side{0, 0, true}));
  EXPECT_EQ(b.At(2, 0), (Side{0, 0, true}));
  EXPECT_EQ(b.PolysOf(0), (Polys{0, 1, 2}));
}

TEST(Neighbor, RepeatedCornersAreOrdinaryEdgesAndListThePolygonOnce) {
  Built b(3, {{0, 1, 1, 2}, {0, 1, 0, 1}});
  ASSERT_TRUE(b.ok);
  // Quad 0: (0,1) (1,1) (1,2) (2,0); the edge 0-1 is also all four sides of quad 1.
  EXPECT_EQ(b.At(0, 0), (Side{1, 0, false}));
  EXPECT_EQ(b.At(0, 1), (Side{-1, 1, false}));
  EXPECT_EQ(b.At(0, 2), (Side{-1, 2, false}));
  EXPECT_EQ(b.At(0, 3), (Side{-1, 3, false}));
  for (int s = 0; s < 4; ++s) EXPECT_EQ(b.At(1, s), (Side{0, 0, true})) << s;
  EXPECT_EQ(b.PolysOf(1), (Polys{0, 1}));
  EXPECT_EQ(b.PolysOf(2), (Polys{0}));

  // A lone degenerate quad: one edge, no other polygon.
  Built lone(2, {{0, 1, 0, 1}});
  EXPECT_EQ(lone.At(0, 0), (Side{-1, 0, false}));
  EXPECT_EQ(lone.At(0, 3), (Side{-1, 0, true}));
  EXPECT_EQ(lone.PolysOf(0), Polys{0});
}

TEST(Neighbor, EmptyMeshesUnusedPointsAndBadIndices) {
  Built none(5, {});
  ASSERT_TRUE(none.ok);
  EXPECT_EQ(N()->neighbor_poly_info(none.n, 0), nullptr);
  for (int p = 0; p < 5; ++p) EXPECT_TRUE(none.PolysOf(p).empty());

  Built unused(6, {{0, 1, 2, 2}});
  ASSERT_TRUE(unused.ok);
  EXPECT_TRUE(unused.PolysOf(5).empty());
  EXPECT_TRUE(unused.PolysOf(6).empty()) << "index past the points";
  EXPECT_TRUE(unused.PolysOf(-1).empty());
  EXPECT_EQ(N()->neighbor_poly_info(unused.n, 1), nullptr);
  EXPECT_EQ(N()->neighbor_poly_info(unused.n, -1), nullptr);
}

TEST(Neighbor, InvalidInputFailsAndLeavesItEmpty) {
  C4D_Neighbor* n = N()->neighbor_alloc();
  const C4D_CPolygon good[] = {{0, 1, 2, 3}};
  for (const C4D_CPolygon bad : {C4D_CPolygon{-1, 1, 2, 3}, C4D_CPolygon{0, 4, 2, 3},
                                 C4D_CPolygon{0, 1, 2, 4}, C4D_CPolygon{0, 1, 2147483647, 3}}) {
    ASSERT_TRUE(N()->neighbor_init(n, 4, good, 1, nullptr));
    EXPECT_FALSE(N()->neighbor_init(n, 4, &bad, 1, nullptr));
    EXPECT_EQ(N()->neighbor_poly_info(n, 0), nullptr);
  }
  EXPECT_FALSE(N()->neighbor_init(n, -1, nullptr, 0, nullptr));
  EXPECT_FALSE(N()->neighbor_init(n, 4, good, -1, nullptr));
  EXPECT_FALSE(N()->neighbor_init(n, 4, nullptr, 1, nullptr));
  EXPECT_FALSE(N()->neighbor_init(n, 4, good, 1, good)) << "selections are not supported";
  EXPECT_TRUE(N()->neighbor_init(n, 0, nullptr, 0, nullptr));
  EXPECT_FALSE(N()->neighbor_init(nullptr, 4, good, 1, nullptr));
  N()->neighbor_free(n);
  N()->neighbor_free(nullptr);
}

TEST(Neighbor, OutOfMemoryAtEveryAllocationFailsCleanly) {
  const std::vector<C4D_CPolygon> mesh = {{0, 1, 4, 3}, {1, 2, 5, 4}, {3, 4, 6, 6}};
  const int64_t blocks = OutstandingBlocks();
  int64_t calls = AllocationCount();
  { Built probe(7, mesh); }
  const int64_t needed = AllocationCount() - calls;
  for (int64_t i = 1; i <= needed; ++i) {
    FailAllocationAfter(i);
    {
      Built b(7, mesh);
      EXPECT_FALSE(b.n && b.ok) << "failing allocation " << i;
      if (b.n) {
        EXPECT_EQ(N()->neighbor_poly_info(b.n, 0), nullptr);
        FailAllocationAfter(0);
        EXPECT_TRUE(N()->neighbor_init(b.n, 7, mesh.data(), 3, nullptr));
      }
    }
    EXPECT_EQ(OutstandingBlocks(), blocks) << "failing allocation " << i;
  }
  FailAllocationAfter(0);
}

// --- brute force, straight from the rules ------------------------------------------------

struct Reference {
  std::vector<std::array<Side, 4>> sides;
  std::vector<Polys> pointPolys;
};

Reference BruteForce(int32_t points, const std::vector<C4D_CPolygon>& polys) {
  const int m = static_cast<int>(polys.size());
  auto corners = [&](int p, int s) {
    const C4D_CPolygon& q = polys[p];
    const int32_t c[4] = {q.a, q.b, q.c, q.d};
    return std::make_pair(std::min(c[s], c[(s + 1) % 4]), std::max(c[s], c[(s + 1) % 4]));
  };
  auto isEdge = [&](int p, int s) { return !(s == 2 && polys[p].c == polys[p].d); };
  Reference r;
  r.sides.resize(m);
  std::vector<std::pair<int32_t, int32_t>> firstSeen;  // distinct edges in order
  for (int p = 0; p < m; ++p) {
    for (int s = 0; s < 4; ++s) {
      if (!isEdge(p, s)) {
        r.sides[p][s] = {-1, -1, true};
        continue;
      }
      const auto key = corners(p, s);
      Side side{-1, -1, false};
      for (int q = 0; q < m && side.face < 0; ++q) {
        for (int t = 0; t < 4; ++t) {
          if (q != p && isEdge(q, t) && corners(q, t) == key) side.face = q;
        }
      }
      for (int e = 0; e < static_cast<int>(firstSeen.size()); ++e) {
        if (firstSeen[e] == key) side = {side.face, e, true};
      }
      if (side.edge < 0) {
        side.edge = static_cast<int32_t>(firstSeen.size());
        firstSeen.push_back(key);
      }
      r.sides[p][s] = side;
    }
  }
  r.pointPolys.resize(points);
  for (int32_t pt = 0; pt < points; ++pt) {
    for (int p = 0; p < m; ++p) {
      const C4D_CPolygon& q = polys[p];
      if (q.a == pt || q.b == pt || q.c == pt || q.d == pt) r.pointPolys[pt].push_back(p);
    }
  }
  return r;
}

TEST(Neighbor, MatchesBruteForceOnRandomMeshes) {
  std::mt19937 rng(2024);
  for (int trial = 0; trial < 400; ++trial) {
    const int32_t points = 1 + static_cast<int32_t>(rng() % 9);
    const int m = static_cast<int>(rng() % 25);
    std::vector<C4D_CPolygon> polys(m);
    for (auto& q : polys) {
      auto corner = [&] { return static_cast<int32_t>(rng() % points); };
      q = {corner(), corner(), corner(), corner()};
      if (rng() % 3 == 0) q.d = q.c;  // triangles
    }
    Built b(points, polys);
    ASSERT_TRUE(b.ok);
    const Reference r = BruteForce(points, polys);
    for (int p = 0; p < m; ++p) {
      for (int s = 0; s < 4; ++s) ASSERT_EQ(b.At(p, s), r.sides[p][s]) << "trial " << trial << " polygon " << p << " side " << s;
    }
    for (int32_t pt = 0; pt < points; ++pt) ASSERT_EQ(b.PolysOf(pt), r.pointPolys[pt]) << "trial " << trial << " point " << pt;
  }
}

}  // namespace
}  // namespace hostapp

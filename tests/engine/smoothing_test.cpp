// The smoothing worker on hand-made neighbour lists, and the controller's smoothing on
// generated meshes: worked examples, pinning, weights, and independence from the worker count.
#include <cstring>
#include <vector>

#include "support/host_env.h"
#include "engine/engine_settings.h"
#include "tavrenthreads.h"

namespace {

class SmoothingTest : public HostTest {
 protected:
  // One iteration of one worker over all points of `in`, with lists[p] as given.
  std::vector<Vector> Smooth(const std::vector<Vector>& in, const std::vector<std::vector<int32_t>>& adj, Int32 mode,
                             const std::vector<int32_t>& borderFlags = {}, Int32 pin = 0, Float32 strength = 1.0f,
                             BaseTag* weights = nullptr) {
    const Int32 n = static_cast<Int32>(in.size());
    NeighborLists lists;
    BaseArray<Int32> borders;
    EXPECT_TRUE(lists.Resize(n));
    EXPECT_TRUE(borders.Resize(n));
    for (Int32 p = 0; p < n; ++p) {
      for (int32_t j : adj[p]) lists[p].Append(j);
      if (!borderFlags.empty()) borders[p] = borderFlags[p];
    }
    std::vector<Vector> src = in, dst(in.size());
    TavrenLaplacian worker;
    worker.Init(0, n, dst.data(), src.data(), lists, borders, EngineSettings(1, mode, pin != 0, strength, weights));
    worker.Main();
    return dst;
  }
};

TEST_F(SmoothingTest, WorkedExampleInBothModes) {
  const std::vector<Vector> pts = {Vector(0, 0, 0), Vector(1, 0, 0), Vector(0, 2, 0)};
  const std::vector<std::vector<int32_t>> adj = {{1, 2}, {}, {}};
  const auto uniform = Smooth(pts, adj, 0);
  EXPECT_EQ(uniform[0], Vector(0.5, 1.0, 0.0));
  const auto distance = Smooth(pts, adj, 1);
  // S = (1, 4, 0), W = 3, q = k * W = 6.
  EXPECT_DOUBLE_EQ(distance[0].x, 1.0 / 6.0);
  EXPECT_DOUBLE_EQ(distance[0].y, 2.0 / 3.0);
  EXPECT_EQ(distance[0].z, 0.0);
  // Points without neighbours keep their place in both modes.
  EXPECT_EQ(uniform[1], pts[1]);
  EXPECT_EQ(distance[2], pts[2]);
}

TEST_F(SmoothingTest, PinnedBordersStayOthersMove) {
  const std::vector<Vector> pts = {Vector(0, 0, 0), Vector(2, 0, 0), Vector(0, 2, 0)};
  const std::vector<std::vector<int32_t>> adj = {{1, 2}, {0, 2}, {0, 1}};
  const auto pinned = Smooth(pts, adj, 0, {1, 0, 1}, 1);
  EXPECT_EQ(pinned[0], pts[0]);
  EXPECT_EQ(pinned[2], pts[2]);
  EXPECT_EQ(pinned[1], Vector(0.0, 1.0, 0.0));
  // Unpinned, a border point is smoothed like any other; a flag other than 1 never pins.
  EXPECT_EQ(Smooth(pts, adj, 0, {1, 0, 1}, 0)[0], Vector(1.0, 1.0, 0.0));
  EXPECT_EQ(Smooth(pts, adj, 0, {2, 0, 0}, 1)[0], Vector(1.0, 1.0, 0.0));
}

TEST_F(SmoothingTest, StrengthAndWeightsScaleTheStep) {
  const std::vector<Vector> pts = {Vector(0, 0, 0), Vector(2, 0, 0), Vector(0, 2, 0)};
  const std::vector<std::vector<int32_t>> adj = {{1, 2}, {0, 2}, {0, 1}};
  EXPECT_EQ(Smooth(pts, adj, 0, {}, 0, 0.0f), pts);
  EXPECT_EQ(Smooth(pts, adj, 0, {}, 0, 0.5f)[0], Vector(0.5, 0.5, 0.0));

  hostapp::VertexMapTag map;
  map.Weights() = {0.0f, 1.0f, 0.25f};
  const auto weighted = Smooth(pts, adj, 0, {}, 0, 1.0f, BaseTag::From(static_cast<C4D_Node*>(&map)));
  EXPECT_EQ(weighted[0], pts[0]);
  EXPECT_EQ(weighted[1], Vector(0.0, 1.0, 0.0));
  EXPECT_EQ(weighted[2], Vector(0.25, 1.5, 0.0));
}

TEST_F(SmoothingTest, CoincidingNeighboursInDistanceModeDoNotMove) {
  const std::vector<Vector> pts = {Vector(1, 1, 1), Vector(1, 1, 1), Vector(1, 1, 1)};
  const auto out = Smooth(pts, {{1, 2}, {0}, {0}}, 1);
  EXPECT_EQ(out, pts);
}

TEST_F(SmoothingTest, UniformGridInteriorPointAtTheAverageStays) {
  testmesh::Mesh grid = testmesh::Grid(2, 2);
  std::vector<Vector> pts;
  for (const auto& p : grid.points) pts.push_back(*FromC(&p));
  const auto out = Smooth(pts, {{1, 3}, {0, 2, 4}, {1, 5}, {0, 4, 6}, {1, 3, 5, 7}, {2, 4, 8}, {3, 7}, {4, 6, 8}, {5, 7}}, 0);
  EXPECT_EQ(out[4], pts[4]);
  EXPECT_NE(out[0], pts[0]);
}

TEST_F(SmoothingTest, WorkSplitGivesTheRemainderToTheLastWorker) {
  Int32 start = 0, count = 0;
  const Int32 expected[4][2] = {{0, 2}, {2, 2}, {4, 2}, {6, 4}};
  for (Int32 i = 0; i < 4; ++i) {
    LaplacianRange(10, 4, i, &start, &count);
    EXPECT_EQ(start, expected[i][0]);
    EXPECT_EQ(count, expected[i][1]);
  }
  LaplacianRange(3, 16, 5, &start, &count);
  EXPECT_EQ(count, 0);
  LaplacianRange(3, 16, 15, &start, &count);
  EXPECT_EQ(start, 0);
  EXPECT_EQ(count, 3);
}

// The controller's frames of a generated mesh, as raw records.
std::vector<Matrix> RunFrames(BaseObject* op, Int32 iterations, Int32 mode, Int32 pin = 0) {
  std::vector<Matrix> out(static_cast<size_t>(ToPoly(op)->GetPointCount()));
  TavrenController controller;
  EXPECT_TRUE(controller.Init(op, out.data(), EngineSettings(iterations, mode, pin != 0)));
  EXPECT_TRUE(RunController(controller));
  return out;
}

TEST_F(SmoothingTest, SameBitsWithAnyWorkerCount) {
  // 101 x 101 quads, every other one split: 10,404 points, triangles and quads mixed.
  BaseObject* op = BaseObject::From(MakePolygonObject(testmesh::Grid(101, 101, true, 0.8)));
  ASSERT_GE(ToPoly(op)->GetPointCount(), 10000);
  for (Int32 mode : {0, 1}) {
    hostapp::SetProcessorCountForTesting(1);
    const std::vector<Matrix> reference = RunFrames(op, 10, mode);
    for (int32_t workers : {2, 3, 16}) {
      hostapp::SetProcessorCountForTesting(workers);
      const std::vector<Matrix> frames = RunFrames(op, 10, mode);
      EXPECT_EQ(0, std::memcmp(reference.data(), frames.data(), reference.size() * sizeof(Matrix)))
          << "mode " << mode << ", " << workers << " workers";
    }
  }
}

}  // namespace

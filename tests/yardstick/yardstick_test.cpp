// The benchmarks' yardstick is a separate implementation of the binding engine on flat
// arrays; it only measures anything if it does the plug-in's work exactly. Here both run on
// the same meshes (triangles, open borders, a hole, a closed cube, a non-manifold edge) and
// must agree to the bit: neighbour lists and border flags, smoothed points and frames, in
// both modes, pinned or not, on one and two workers.
#include <cstring>
#include <vector>

#include "support/host_env.h"
#include "tavrenthreads.h"
#include "yardstick.h"

namespace {

using testmesh::Mesh;

// A grid with triangles and a wave, one quad cut out (a hole) and a fin: a triangle on an
// inner edge, so that edge has three polygons.
Mesh Awkward() {
  Mesh m = testmesh::Grid(9, 7, true, 0.7);
  m.polygons.erase(m.polygons.begin() + 20);
  const int32_t tip = static_cast<int32_t>(m.points.size());
  m.points.push_back(C4D_Vector{2.5, 2.5, 1.5});
  m.polygons.push_back(testmesh::Tri(m.polygons[30].a, m.polygons[30].b, tip));
  return m;
}

class YardstickTest : public HostTest {};

TEST_F(YardstickTest, NeighbourListsAndBordersMatchThePlugin) {
  for (const Mesh& mesh : {Awkward(), testmesh::Cube(), testmesh::Grid(1, 1)}) {
    const Int32 n = static_cast<Int32>(mesh.points.size());
    const Int32 m = static_cast<Int32>(mesh.polygons.size());
    const CPolygon* polys = FromC(mesh.polygons.data());
    Neighbor adjacency;
    ASSERT_TRUE(adjacency.Init(n, polys, m, nullptr));
    NeighborLists lists;
    BaseArray<Int32> borders;
    ASSERT_TRUE(lists.Resize(n) && borders.Resize(n));
    BuildNeighborLists(adjacency, polys, m, lists, borders);

    bench::CsrNeighbors csr;
    bench::BuildCsrNeighbors(n, polys, m, csr);
    for (Int32 p = 0; p < n; ++p) {
      const std::vector<int32_t> row(csr.items.begin() + csr.start[p], csr.items.begin() + csr.start[p + 1]);
      const std::vector<int32_t> plugin(lists[p].GetFirst(), lists[p].GetFirst() + lists[p].GetCount());
      EXPECT_EQ(row, plugin) << "point " << p;
      EXPECT_EQ(csr.borders[p], borders[p]) << "point " << p;
    }
  }
}

TEST_F(YardstickTest, SmoothedFramesMatchThePluginToTheBit) {
  const Mesh mesh = Awkward();
  BaseObject* op = BaseObject::From(MakePolygonObject(mesh));
  const Int32 n = static_cast<Int32>(mesh.points.size());
  const Int32 m = static_cast<Int32>(mesh.polygons.size());
  const CPolygon* polys = FromC(mesh.polygons.data());
  bench::CsrNeighbors lists;
  bench::CsrPointPolygons around;
  bench::BuildCsrNeighbors(n, polys, m, lists);
  bench::BuildCsrPointPolygons(n, polys, m, around);
  for (Int32 workers : {1, 2}) {
    hostapp::SetProcessorCountForTesting(workers);
    for (Int32 mode : {0, 1}) {
      for (Int32 pin : {0, 1}) {
        for (Int32 iterations : {0, 1, 4}) {
          SCOPED_TRACE("workers " + std::to_string(workers) + " mode " + std::to_string(mode) + " pin " +
                       std::to_string(pin) + " iterations " + std::to_string(iterations));
          std::vector<Matrix> plugin(static_cast<size_t>(n));
          TavrenController c;
          BindSettings bind;
          bind.iterations = iterations;
          bind.mode = static_cast<SmoothMode>(mode);
          bind.pinBorders = pin != 0;
          bind.step = 0.7f;
          ASSERT_TRUE(c.Init(op, plugin.data(), bind));
          ASSERT_TRUE(RunController(c));

          bench::SmoothSettings settings;
          settings.mode = mode;
          settings.pinBorders = pin;
          settings.strength = 0.7f;
          std::vector<Vector> a(FromC(mesh.points.data()), FromC(mesh.points.data()) + n), b(a.size());
          const Vector* smoothed =
              bench::SmoothOnThreads(lists, settings, a.data(), b.data(), n, iterations, workers);
          const Vector zero(0.0, 0.0, 0.0);
          std::vector<Matrix> yard(static_cast<size_t>(n), Matrix(zero, zero, zero, zero));
          for (Int32 i = 0; i < n; ++i) yard[i].off = smoothed[i];
          std::vector<Vector> normals;
          bench::BuildFramesCsr(yard.data(), polys, m, n, around, normals);
          for (Int32 i = 0; i < n; ++i)
            ASSERT_EQ(0, std::memcmp(&plugin[i], &yard[i], sizeof(Matrix))) << "point " << i;
        }
      }
    }
  }
}

}  // namespace

// Per-point frames and the controller run around them.
#include <cmath>
#include <cstring>
#include <vector>

#include "support/host_env.h"
#include "engine/engine_settings.h"
#include "tavrenthreads.h"
#include "ttavren.h"

namespace {

using testmesh::Mesh;
using testmesh::Quad;
using testmesh::Tri;

const double kS = 1.0 / std::sqrt(2.0);

void ExpectNear(const Vector& a, const Vector& b, double tol = 1e-15) {
  EXPECT_NEAR(a.x, b.x, tol);
  EXPECT_NEAR(a.y, b.y, tol);
  EXPECT_NEAR(a.z, b.z, tol);
}

class FramesTest : public HostTest {
 protected:
  // Frames of an unsmoothed mesh, built the way the controller builds them.
  std::vector<Matrix> Frames(const Mesh& mesh) {
    const Int32 n = static_cast<Int32>(mesh.points.size());
    std::vector<Matrix> frames(mesh.points.size());
    std::memset(static_cast<void*>(frames.data()), 0, frames.size() * sizeof(Matrix));
    for (Int32 i = 0; i < n; ++i) frames[i].off = *FromC(&mesh.points[i]);
    Neighbor adjacency;
    const CPolygon* polys = FromC(mesh.polygons.data());
    EXPECT_TRUE(adjacency.Init(n, polys, static_cast<Int32>(mesh.polygons.size()), nullptr));
    EXPECT_TRUE(BuildPointFrames(frames.data(), polys, static_cast<Int32>(mesh.polygons.size()), n, adjacency));
    return frames;
  }
};

TEST_F(FramesTest, SingleQuadCorners) {
  Mesh m;
  m.points = {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}};
  m.polygons = {Quad(0, 1, 2, 3)};
  const auto f = Frames(m);
  ExpectNear(f[0].v1, Vector(kS, kS, 0));
  ExpectNear(f[0].v2, Vector(-kS, kS, 0));
  ExpectNear(f[0].v3, Vector(0, 0, 1));
  ExpectNear(f[1].v1, Vector(kS, -kS, 0));
  ExpectNear(f[1].v2, Vector(kS, kS, 0));
  ExpectNear(f[1].v3, Vector(0, 0, 1));
  EXPECT_EQ(f[2].off, Vector(1, 1, 0));
}

TEST_F(FramesTest, TriangleCornersUseTheOtherTwoInOrder) {
  Mesh m;
  m.points = {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}};
  m.polygons = {Tri(0, 1, 2)};
  const auto f = Frames(m);
  for (int i = 0; i < 3; ++i) ExpectNear(f[i].v3, Vector(0, 0, 1));
  // Corner a uses (b, c): Y points from b towards c.
  ExpectNear(f[0].v2, Vector(-kS, kS, 0));
  // Corner b uses (a, c), corner c uses (a, b).
  ExpectNear(f[1].v2, Vector(0, 1, 0));
  ExpectNear(f[2].v2, Vector(1, 0, 0));
  for (int i = 0; i < 3; ++i) ExpectNear(Cross(f[i].v1, f[i].v2), f[i].v3);
}

TEST_F(FramesTest, FoldedTrianglesCancelToZeroAxes) {
  Mesh m;
  m.points = {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}};
  m.polygons = {Tri(0, 1, 2), Tri(0, 2, 1)};
  const auto f = Frames(m);
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(f[i].v1, Vector(0, 0, 0));
    EXPECT_EQ(f[i].v2, Vector(0, 0, 0));
    EXPECT_EQ(f[i].v3, Vector(0, 0, 0));
  }
}

TEST_F(FramesTest, UnusedPointAndDegenerateTriangleGetZeroAxes) {
  Mesh m;
  m.points = {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {5, 5, 5}};
  m.polygons = {Tri(0, 0, 1)};
  const auto f = Frames(m);
  EXPECT_EQ(f[3].v3, Vector(0, 0, 0));
  EXPECT_EQ(f[3].off, Vector(5, 5, 5));
  EXPECT_EQ(f[0].v1, Vector(0, 0, 0));
}

TEST_F(FramesTest, FlatGridFramesAreRightHandedAroundPlusZ) {
  const auto f = Frames(testmesh::Grid(4, 3));
  for (const Matrix& m : f) {
    ExpectNear(m.v3, Vector(0, 0, 1));
    ExpectNear(Cross(m.v1, m.v2), m.v3, 1e-15);
    EXPECT_NEAR(Dot(m.v1, m.v2), 0.0, 1e-15);
  }
  // Point 6 (interior) is corner c of its first quad, so it uses b and d: Y runs along d - b.
  ExpectNear(f[6].v2, Vector(-kS, kS, 0));
}

TEST_F(FramesTest, RigidMotionMovesFramesAlong) {
  const Mesh base = testmesh::Grid(5, 5, true, 0.7);
  const auto f0 = Frames(base);
  // Rotation by 0.3 rad about z, then 1 rad about x, and a translation.
  auto rotate = [](const Vector& v) {
    const double c = std::cos(0.3), s = std::sin(0.3), c2 = std::cos(1.0), s2 = std::sin(1.0);
    const Vector r(c * v.x - s * v.y, s * v.x + c * v.y, v.z);
    return Vector(r.x, c2 * r.y - s2 * r.z, s2 * r.y + c2 * r.z);
  };
  Mesh moved = base;
  for (auto& p : moved.points) {
    const Vector r = rotate(*FromC(&p)) + Vector(3, -2, 7);
    p = *ToC(&r);
  }
  const auto f1 = Frames(moved);
  for (size_t i = 0; i < f0.size(); ++i) {
    ExpectNear(f1[i].v1, rotate(f0[i].v1), 1e-12);
    ExpectNear(f1[i].v2, rotate(f0[i].v2), 1e-12);
    ExpectNear(f1[i].v3, rotate(f0[i].v3), 1e-12);
  }
}

TEST_F(FramesTest, InverseFrameMapsBackAndZeroDeterminantGivesIdentity) {
  const Matrix m(Vector(1, 2, 3), Vector(0, 2, 0), Vector(-1, 0, 0), Vector(0, 0, 0.5));
  const Matrix inv = InvertFrame(m);
  const Vector p(0.3, -4, 9);
  ExpectNear(m * (inv * p), p, 1e-14);

  Matrix flat(Vector(1, 2, 3), Vector(1, 0, 0), Vector(2, 0, 0), Vector(0, 0, 1));
  const Matrix id = InvertFrame(flat);
  EXPECT_EQ(id * p, p);
  // A tiny but non-zero determinant is inverted normally.
  Matrix tiny(Vector(0, 0, 0), Vector(1e-100, 0, 0), Vector(0, 1e-100, 0), Vector(0, 0, 1e-100));
  EXPECT_NEAR(InvertFrame(tiny).v1.x / 1e100, 1.0, 1e-12);
}

class ControllerTest : public HostTest {};

TEST_F(ControllerTest, IterationsZeroOneTwo) {
  const Mesh mesh = testmesh::Grid(6, 5, true, 0.9);
  BaseObject* op = BaseObject::From(MakePolygonObject(mesh));
  const Int32 n = static_cast<Int32>(mesh.points.size());
  auto run = [&](BaseObject* obj, Int32 iterations) {
    std::vector<Matrix> out(static_cast<size_t>(n));
    TavrenController c;
    EXPECT_TRUE(c.Init(obj, out.data(), EngineSettings(iterations, 1, false, 0.75f)));
    EXPECT_TRUE(RunController(c));
    return out;
  };
  const auto zero = run(op, 0);
  for (Int32 i = 0; i < n; ++i) EXPECT_EQ(zero[i].off, *FromC(&mesh.points[i]));

  const auto one = run(op, 1);
  const auto two = run(op, 2);
  Mesh again = mesh;
  for (Int32 i = 0; i < n; ++i) again.points[i] = *ToC(&one[i].off);
  const auto oneMore = run(BaseObject::From(MakePolygonObject(again)), 1);
  EXPECT_EQ(0, std::memcmp(two.data(), oneMore.data(), two.size() * sizeof(Matrix)));
}

TEST_F(ControllerTest, NullOutputAndNonPolygonObject) {
  BaseObject* op = BaseObject::From(MakePolygonObject(testmesh::Grid(3, 3)));
  TavrenController c;
  ASSERT_TRUE(c.Init(op, nullptr, EngineSettings(2, 0, false, 1.0f)));
  EXPECT_TRUE(RunController(c));

  hostapp::Object null(C4D_ONULL);
  TavrenController d;
  EXPECT_FALSE(d.Init(BaseObject::From(static_cast<C4D_Node*>(&null)), nullptr, EngineSettings(2, 0, false, 1.0f)));
}

TEST_F(ControllerTest, SingleQuadPinnedKeepsItsCorners) {
  Mesh m;
  m.points = {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}};
  m.polygons = {Quad(0, 1, 2, 3)};
  BaseObject* op = BaseObject::From(MakePolygonObject(m));
  std::vector<Matrix> out(4);
  TavrenController c;
  ASSERT_TRUE(c.Init(op, out.data(), EngineSettings(5, 0, true, 1.0f)));
  ASSERT_TRUE(RunController(c));
  for (int i = 0; i < 4; ++i) EXPECT_EQ(out[i].off, *FromC(&m.points[i]));
  ExpectNear(out[0].v1, Vector(kS, kS, 0));
}

TEST_F(ControllerTest, EveryFailedAllocationGivesUpCleanlyAndLeavesOutputAlone) {
  BaseObject* op = BaseObject::From(MakePolygonObject(testmesh::Grid(4, 4, true, 0.5)));
  const Int32 n = ToPoly(op)->GetPointCount();
  hostapp::SetProcessorCountForTesting(2);
  auto attempt = [&](int64_t failAt, std::vector<Matrix>* out) {
    TavrenController c;
    EXPECT_TRUE(c.Init(op, out->data(), EngineSettings(3, 1, false, 1.0f)));
    hostapp::FailAllocationAfter(failAt);
    const bool ok = RunController(c);
    hostapp::FailAllocationAfter(0);
    return ok;
  };
  std::vector<Matrix> reference(static_cast<size_t>(n));
  const int64_t before = hostapp::AllocationCount();
  ASSERT_TRUE(attempt(0, &reference));
  const int64_t total = hostapp::AllocationCount() - before;
  ASSERT_GT(total, 5);
  int failures = 0;
  for (int64_t k = 1; k <= total; ++k) {
    std::vector<Matrix> out(static_cast<size_t>(n));
    std::memset(static_cast<void*>(out.data()), 0x5a, out.size() * sizeof(Matrix));
    const std::vector<Matrix> untouched = out;
    if (!attempt(k, &out)) {
      ++failures;
      EXPECT_EQ(0, std::memcmp(untouched.data(), out.data(), out.size() * sizeof(Matrix))) << "allocation " << k;
    } else {
      // A run that goes on after a failed allocation would smooth with other lists than the
      // binding did: whatever succeeds must give the very frames of an undisturbed run.
      EXPECT_EQ(0, std::memcmp(reference.data(), out.data(), out.size() * sizeof(Matrix))) << "allocation " << k;
    }
  }
  EXPECT_GT(failures, 0);
}

TEST_F(ControllerTest, FailedWorkerStartGivesUp) {
  BaseObject* op = BaseObject::From(MakePolygonObject(testmesh::Grid(4, 4)));
  hostapp::SetProcessorCountForTesting(3);
  std::vector<Matrix> out(static_cast<size_t>(ToPoly(op)->GetPointCount()));
  for (int64_t k = 1; k <= 4; ++k) {
    TavrenController c;
    ASSERT_TRUE(c.Init(op, out.data(), EngineSettings(2, 0, false, 1.0f)));
    // Start k fails: k = 1 is the controller itself, later ones its workers.
    hostapp::FailThreadStartAfter(k);
    EXPECT_FALSE(RunController(c)) << k;
    hostapp::FailThreadStartAfter(0);
  }
}

}  // namespace

namespace {

// Binding a mesh and mapping every offset back through the same frames gives the rest
// points again: the affine inversion is the frames' exact inverse up to rounding.
TEST_F(ControllerTest, OffsetsMapBackToTheRestPoints) {
  const Mesh mesh = testmesh::Grid(30, 20, true, 2.0);
  BaseObject* op = BaseObject::From(MakePolygonObject(mesh));
  std::vector<Matrix> frames(mesh.points.size());
  TavrenController c;
  ASSERT_TRUE(c.Init(op, frames.data(), EngineSettings(4, 1, false, 1.0f)));
  ASSERT_TRUE(RunController(c));
  double size = 0.0;
  for (const auto& p : mesh.points) size = std::max(size, std::max(std::fabs(p.x), std::max(std::fabs(p.y), std::fabs(p.z))));
  for (size_t i = 0; i < frames.size(); ++i) {
    const Vector rest = *FromC(&mesh.points[i]);
    const Vector back = frames[i] * (InvertFrame(frames[i]) * rest);
    ExpectNear(back, rest, 1e-12 * size);
  }
}

}  // namespace

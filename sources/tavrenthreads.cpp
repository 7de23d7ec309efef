#include "tavrenthreads.h"

#include <cmath>
#include <cstring>
#include <new>

// ---------------------------------------------------------------- neighbour lists

Bool BuildNeighborLists(const Neighbor& adjacency, const CPolygon* polygons, Int32 polygonCount,
                        NeighborLists& neighbors, BaseArray<Int32>& borders) {
  for (Int32 p = 0; p < polygonCount; ++p) {
    const PolyInfo* info = adjacency.GetPolyInfo(p);
    if (!info) continue;
    const CPolygon& poly = polygons[p];
    const Int32 corners[5] = {poly.a, poly.b, poly.c, poly.d, poly.a};
    for (Int32 side = 0; side < 4; ++side) {
      if (info->mark[side]) continue;
      if (side == 2 && poly.c == poly.d) continue;
      const Int32 first = corners[side];
      const Int32 second = corners[side + 1];
      if (info->face[side] == -1) {
        borders[first] = 1;
        borders[second] = 1;
      }
      if (!neighbors[first].Append(second) || !neighbors[second].Append(first)) return false;
    }
  }
  return true;
}

// ---------------------------------------------------------------- smoothing worker

void TavrenLaplacian::Init(Int32 t_start, Int32 t_count, Vector* t_dst, Vector* t_src, NeighborLists& t_neighbors,
                           BaseArray<Int32>& t_borders, const BindSettings& t_settings) {
  start = t_start;
  count = t_count;
  dst = t_dst;
  src = t_src;
  neighbors = t_neighbors.GetFirst();
  borders = t_borders.GetFirst();
  settings = t_settings;
  current = start;
}

void TavrenLaplacian::SwapBuffers() {
  Vector* t = dst;
  dst = src;
  src = t;
}

void TavrenLaplacian::Main() {
  current = start;
  const Float32* weights = nullptr;
  if (settings.useWeights && settings.weightTag != nullptr)
    weights = static_cast<const Float32*>(static_cast<VariableTag*>(settings.weightTag)->GetLowlevelDataAddressR());
  if (count == 0) return;

  const Float step = static_cast<Float>(settings.step);
  const Int32 end = start + count;
  for (Int32 n = start; n < end; ++n) {
    current = n;
    if (borders[n] == 1 && settings.pinBorders) {
      dst[n] = src[n];
      continue;
    }
    const BaseArray<Int32>& list = neighbors[n];
    const Int32* adj = list.GetFirst();
    const Int64 k = list.GetCount();
    const Vector P = src[n];
    Vector D(0.0, 0.0, 0.0);
    if (settings.mode == SmoothMode::Uniform) {
      for (Int64 e = 0; e < k; ++e) D += src[adj[e]] - P;
      Int32 m = static_cast<Int32>(k);
      if (m == 0) m = 1;
      D *= 1.0 / static_cast<Float>(m);
    } else if (settings.mode == SmoothMode::Distance) {
      Vector S(0.0, 0.0, 0.0);
      Float W = 0.0;
      for (Int64 e = 0; e < k; ++e) {
        const Vector d = src[adj[e]] - P;
        const Float w = std::sqrt(d.x * d.x + d.y * d.y + d.z * d.z);
        S += d * w;
        W += w;
      }
      Float q = static_cast<Float>(k) * W;
      if (q == 0.0) q = 1.0;
      D = S * (1.0 / q);
    }
    // Any other mode is undefined: the point keeps its place.
    if (settings.useWeights && weights != nullptr) D *= static_cast<Float>(weights[n]);
    D *= step;
    dst[n] = P + D;
  }
}

void LaplacianRange(Int32 pointCount, Int32 workers, Int32 index, Int32* start, Int32* count) {
  const Float chunk = std::floor(static_cast<Float>(pointCount) / static_cast<Float>(workers));
  *start = static_cast<Int32>(static_cast<Float>(index) * chunk);
  if (index < workers - 1)
    *count = static_cast<Int32>(chunk);
  else
    *count = static_cast<Int32>(static_cast<Float>(pointCount) - static_cast<Float>(workers - 1) * chunk);
}

// ---------------------------------------------------------------- frames

void NormalizeOrKeep(Vector& u) {
  const Float len = std::sqrt(u.x * u.x + u.y * u.y + u.z * u.z);
  if (len != 0.0) {
    // Reciprocal first, then three products (not three divisions): stored bindings hold
    // axes rounded this way.
    const Float inv = 1.0 / len;
    u.x *= inv;
    u.y *= inv;
    u.z *= inv;
  }
}

Vector PolygonNormal(const Matrix* frames, const CPolygon& polygon) {
  const Vector& pa = frames[polygon.a].off;
  const Vector& pb = frames[polygon.b].off;
  const Vector& pc = frames[polygon.c].off;
  // The quad's diagonals in this order, (b - d) x (c - a), as stored bindings were built.
  Vector n;
  if (polygon.c != polygon.d) {
    const Vector& pd = frames[polygon.d].off;
    n = Cross(pb - pd, pc - pa);
  } else {
    n = Cross(pb - pa, pc - pa);
  }
  const Float len = std::sqrt(n.x * n.x + n.y * n.y + n.z * n.z);
  if (len == 0.0) return Vector(0.0, 0.0, 0.0);
  return n * (1.0 / len);
}

Bool BuildPointFrames(Matrix* frames, const CPolygon* polygons, Int32 polygonCount, Int32 pointCount,
                      const Neighbor& adjacency) {
  Vector* normals = nullptr;
  if (polygonCount > 0) {
    normals = NewMemClear(Vector, polygonCount);
    if (!normals) return false;
  }
  for (Int32 p = 0; p < polygonCount; ++p) normals[p] = PolygonNormal(frames, polygons[p]);

  for (Int32 o = 0; o < pointCount; ++o) {
    Matrix& frame = frames[o];
    const Vector P = frame.off;
    const Int32* list = nullptr;
    Int32 k = 0;
    adjacency.GetPointPolys(o, &list, &k);

    // The mean normal in ascending polygon order, scaled by the reciprocal of the count: both
    // the order and the spelling are part of what stored bindings were captured with.
    Vector Z(0.0, 0.0, 0.0);
    for (Int32 i = 0; i < k; ++i) Z += normals[list[i]];
    Z *= 1.0 / static_cast<Float>(k != 0 ? k : 1);
    NormalizeOrKeep(Z);

    // Reference corners from the first polygon around the point.
    Bool haveCorners = false;
    Int32 q1 = 0, q2 = 0;
    if (k > 0) {
      const CPolygon& f = polygons[list[0]];
      if (f.c == f.d) {
        Int32 found[3];
        Int32 n = 0;
        if (f.a != o) found[n++] = f.a;
        if (f.b != o) found[n++] = f.b;
        if (f.c != o) found[n++] = f.c;
        if (n == 2) {
          q1 = found[0];
          q2 = found[1];
          haveCorners = true;
        }
      } else {
        if (o == f.a || o == f.c) {
          q1 = f.b;
          q2 = f.d;
        } else {
          q1 = f.a;
          q2 = f.c;
        }
        haveCorners = true;
      }
    }

    Vector X = frame.v1;
    Vector Y = frame.v2;
    if (haveCorners) {
      const Vector& q1p = frames[q1].off;
      const Vector& q2p = frames[q2].off;
      // Spelled as two differences on purpose: (q1p - q2p) rounds differently, and stored
      // bindings were captured with this order.
      Vector T = (P - q2p) + (q1p - P);
      NormalizeOrKeep(T);
      X = Cross(Z, T);
      const Float len = std::sqrt(X.x * X.x + X.y * X.y + X.z * X.z);
      if (len == 0.0)
        X = Vector(0.0, 0.0, 0.0);
      else
        X = X * (1.0 / len);
      Y = Cross(Z, X);
    }
    NormalizeOrKeep(X);
    NormalizeOrKeep(Y);
    NormalizeOrKeep(Z);
    frame.v1 = X;
    frame.v2 = Y;
    frame.v3 = Z;
  }
  DeleteMem(normals);
  return true;
}

// ---------------------------------------------------------------- controller

Bool TavrenController::Init(BaseObject* t_op, Matrix* t_output, const BindSettings& t_settings) {
  if (!t_op || t_op->GetType() != Opolygon) return false;
  op = t_op;
  output = t_output;
  settings = t_settings;
  pointCount = ToPoly(op)->GetPointCount();
  polygonCount = ToPoly(op)->GetPolygonCount();
  succeeded = false;
  return true;
}

namespace {

// Everything one run holds; Release frees it in the reverse order of making.
struct ControllerRun {
  Vector* a = nullptr;
  Vector* b = nullptr;
  Neighbor adjacency;
  NeighborLists neighbors;
  BaseArray<Int32> borders;
  C4DThread** workers = nullptr;
  Int32 workerCount = 0;
  MPThreadPool group;
  Matrix* frames = nullptr;

  ~ControllerRun() {
    DeleteMem(frames);
    // Workers and their group.
    group.Free();
    if (workers) {
      for (Int32 i = 0; i < workerCount; ++i) {
        TavrenLaplacian* w = static_cast<TavrenLaplacian*>(workers[i]);
        DeleteObj(w);
        workers[i] = nullptr;
      }
      DeleteMem(workers);
    }
    borders.Reset();
    neighbors.Reset();
    adjacency.Free();
    DeleteMem(b);
    DeleteMem(a);
  }
};

}  // namespace

void TavrenController::Main() {
  succeeded = false;
  if (!op || op->GetType() != Opolygon) return;

  ControllerRun run;
  const Int32 n = pointCount > 0 ? pointCount : 0;
  run.a = NewMemClear(Vector, n);
  run.b = NewMemClear(Vector, n);
  if (!run.a || !run.b) return;

  PolygonObject* poly = ToPoly(op);
  const Vector* points = poly->GetPointR();
  const CPolygon* polygons = poly->GetPolygonR();
  if (points && n != 0) std::memcpy(static_cast<void*>(run.a), points, static_cast<size_t>(n) * sizeof(Vector));

  if (!run.adjacency.Init(n, polygons, polygonCount, nullptr)) return;
  if (!run.neighbors.Resize(n) || !run.borders.Resize(n)) return;
  if (!BuildNeighborLists(run.adjacency, polygons,
                          poly->GetPolygonCount() < polygonCount ? poly->GetPolygonCount() : polygonCount,
                          run.neighbors, run.borders))
    return;

  const Int32 threads = GeGetCurrentThreadCount() > 0 ? GeGetCurrentThreadCount() : 1;
  run.workers = NewMemClear(C4DThread*, threads);
  if (!run.workers) return;
  run.workerCount = threads;
  for (Int32 i = 0; i < threads; ++i) {
    TavrenLaplacian* w = NewObjClear(TavrenLaplacian);
    if (!w) return;
    run.workers[i] = w;
    Int32 start = 0, count = 0;
    LaplacianRange(n, threads, i, &start, &count);
    w->Init(start, count, run.a, run.b, run.neighbors, run.borders, settings);
  }
  if (!run.group.Init(*this, threads, run.workers)) return;

  const Int32 passes = settings.iterations > 0 ? settings.iterations : 0;
  for (Int32 it = 0; it < passes; ++it) {
    for (Int32 i = 0; i < threads; ++i) static_cast<TavrenLaplacian*>(run.workers[i])->SwapBuffers();
    if (!run.group.Start(THREADPRIORITY_NORMAL)) return;
    run.group.Wait();
  }

  run.frames = NewMemClear(Matrix, n);
  if (!run.frames && n != 0) return;
  const Vector* smoothed = (passes % 2 == 0) ? run.a : run.b;
  for (Int32 i = 0; i < n; ++i) run.frames[i].off = smoothed[i];
  if (!BuildPointFrames(run.frames, polygons, polygonCount, n, run.adjacency)) return;

  if (output && n != 0) std::memcpy(static_cast<void*>(output), run.frames, static_cast<size_t>(n) * sizeof(Matrix));
  succeeded = true;
}

Bool RunController(TavrenController& controller) {
  if (!controller.Start(THREADMODE_ASYNC, THREADPRIORITY_NORMAL)) return false;
  controller.Wait();
  return controller.Succeeded();
}

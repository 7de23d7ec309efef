// Yardstick capture and deformation pass: adjacency, smoothing, frames and the last step
// (inversion or rebuild), each stage timed on its own.
#include <chrono>
#include <cstring>

#include "ttavren.h"
#include "yardstick.h"

namespace bench {
namespace {

using Clock = std::chrono::steady_clock;

double Since(Clock::time_point t0) { return std::chrono::duration<double>(Clock::now() - t0).count(); }

// The frames of the smoothed points: origins from the smoothing, axes from BuildFramesCsr.
// in: points to smooth. out: frames (pointCount entries); stage times added.
void SmoothedFrames(const Vector* points, int32_t pointCount, const CPolygon* polygons, int32_t polygonCount,
                    const SmoothSettings& settings, int32_t iterations, int32_t workers, std::vector<Matrix>& frames,
                    StageTimes* times) {
  const size_t n = static_cast<size_t>(pointCount);
  Clock::time_point t0 = Clock::now();
  CsrNeighbors lists;
  CsrPointPolygons around;
  BuildCsrNeighbors(pointCount, polygons, polygonCount, lists);
  BuildCsrPointPolygons(pointCount, polygons, polygonCount, around);
  times->adjacency += Since(t0);

  t0 = Clock::now();
  std::vector<Vector> a(points, points + n), b(n);
  const Vector* smoothed = SmoothOnThreads(lists, settings, a.data(), b.data(), pointCount, iterations, workers);
  times->smoothing += Since(t0);

  t0 = Clock::now();
  // Fresh frame records are all zeros, as the plug-in's are: axes that cannot be formed stay zero.
  const Vector zero(0.0, 0.0, 0.0);
  frames.assign(n, Matrix(zero, zero, zero, zero));
  for (size_t i = 0; i < n; ++i) frames[i].off = smoothed[i];
  std::vector<Vector> normals;
  BuildFramesCsr(frames.data(), polygons, polygonCount, pointCount, around, normals);
  times->frames += Since(t0);
}

}  // namespace

void CaptureFlat(const Vector* rest, int32_t pointCount, const CPolygon* polygons, int32_t polygonCount,
                 const SmoothSettings& settings, int32_t iterations, int32_t workers, std::vector<Vector>& offsets,
                 StageTimes* times) {
  std::vector<Matrix> frames;
  SmoothedFrames(rest, pointCount, polygons, polygonCount, settings, iterations, workers, frames, times);
  const Clock::time_point t0 = Clock::now();
  offsets.resize(static_cast<size_t>(pointCount));
  for (int32_t i = 0; i < pointCount; ++i) offsets[i] = InvertFrame(frames[i]) * rest[i];
  times->rebuild += Since(t0);
}

void DeformFlat(Vector* points, int32_t pointCount, const CPolygon* polygons, int32_t polygonCount,
                const Vector* offsets, const SmoothSettings& settings, int32_t iterations, int32_t workers,
                StageTimes* times) {
  std::vector<Matrix> frames;
  SmoothedFrames(points, pointCount, polygons, polygonCount, settings, iterations, workers, frames, times);
  const Clock::time_point t0 = Clock::now();
  // An infinite falloff weighs every point fully; the blend is still computed as the
  // deformer computes it, so that the result is the same to the bit.
  volatile Float falloff = 1.0;
  const Float f = falloff;
  for (int32_t i = 0; i < pointCount; ++i) {
    const Vector P = points[i];
    const Vector X = frames[i] * offsets[i];
    points[i] = Vector(f * X.x + (1.0 - f) * P.x, f * X.y + (1.0 - f) * P.y, f * X.z + (1.0 - f) * P.z);
  }
  times->rebuild += Since(t0);
}

}  // namespace bench

// The yardstick: the binding engine's work written a second time, as simply and as fast as
// flat arrays allow, with the standard library only (compressed rows instead of lists of
// lists, counting sorts instead of the host's adjacency, a crew of std::threads instead of
// the host's thread groups). It is an implementation of its own, not a copy of the plug-in's
// code; it takes every sum and product in the plug-in's order, so that its results equal the
// host path's to the bit. tests/yardstick holds the two together on awkward meshes, and
// every benchmark case checks it again before it times anything.
#ifndef BENCH_YARDSTICK_H
#define BENCH_YARDSTICK_H

#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <thread>
#include <vector>

#include "c4d_types.h"

namespace bench {

// Neighbour lists as compressed rows: the neighbours of p are items[start[p] .. start[p+1]),
// in the order the plug-in's lists hold them; borders[p] = 1 when p ends an open edge.
struct CsrNeighbors {
  std::vector<int32_t> start;
  std::vector<int32_t> items;
  std::vector<int32_t> borders;
};

// The polygons around each point, ascending and each once, as compressed rows.
struct CsrPointPolygons {
  std::vector<int32_t> start;
  std::vector<int32_t> items;
};

// Smoothing settings shared by every pass (no vertex map: the benchmarks use none).
struct SmoothSettings {
  int32_t mode = 1;        // 0 uniform, 1 distance-weighted
  int32_t pinBorders = 0;  // 1: points on open edges keep their place
  float strength = 1.0f;
};

// Edge adjacency by a counting sort: every polygon side filed in the row of its lower
// corner (rows in side order), first occurrences and open edges read off each short row,
// then the lists filled in polygon and side order.
// in: pointCount points, polygons[0..polygonCount) with corners in range. out: lists.
void BuildCsrNeighbors(int32_t pointCount, const CPolygon* polygons, int32_t polygonCount, CsrNeighbors& lists);

// Polygons around each point by counting. in: as above. out: around.
void BuildCsrPointPolygons(int32_t pointCount, const CPolygon* polygons, int32_t polygonCount,
                           CsrPointPolygons& around);

// One smoothing pass over points [begin, end): reads src, writes dst.
void SmoothRange(const CsrNeighbors& lists, const SmoothSettings& settings, const Vector* src, Vector* dst,
                 int32_t begin, int32_t end);

// A fixed crew of std::threads that run smoothing passes on command, each thread over its
// range of the plug-in's split of the points. The threads are made once and woken for every
// pass, as the host's pooled threads are.
class SmoothingCrew {
 public:
  // in: workers >= 1.
  explicit SmoothingCrew(int32_t workers);
  // Stops and joins the threads.
  ~SmoothingCrew();
  SmoothingCrew(const SmoothingCrew&) = delete;
  SmoothingCrew& operator=(const SmoothingCrew&) = delete;

  // One pass over pointCount points from src into dst; returns when every worker has
  // finished. One caller at a time.
  void Pass(const CsrNeighbors& lists, const SmoothSettings& settings, const Vector* src, Vector* dst,
            int32_t pointCount);

 private:
  // The pass the workers run next.
  struct Job {
    const CsrNeighbors* lists = nullptr;
    const SmoothSettings* settings = nullptr;
    const Vector* src = nullptr;
    Vector* dst = nullptr;
    int32_t pointCount = 0;
  };
  void Work(int32_t index);

  int32_t workers_;
  std::mutex mutex_;
  std::condition_variable start_;
  std::condition_variable done_;
  Job job_;
  uint64_t generation_ = 0;  // passes ordered so far
  int32_t pending_ = 0;      // workers still busy with the current pass
  bool stop_ = false;
  std::vector<std::thread> threads_;
};

// The process's crew of `workers` threads, made on first use. in: workers >= 1.
SmoothingCrew& CrewOf(int32_t workers);

// `iterations` passes on the crew of `workers` threads.
// in: a holds the points, b the same count of scratch. out: the buffer with the result
// (a after an even number of passes, b after an odd one).
Vector* SmoothOnThreads(const CsrNeighbors& lists, const SmoothSettings& settings, Vector* a, Vector* b,
                        int32_t pointCount, int32_t iterations, int32_t workers);

// Axes of every frame from the origins (the smoothed points), as the plug-in builds them.
// in: frames[0..pointCount) with origins set and zero axes; polygons; around.
// out: frames' axes; normals is scratch (resized to polygonCount).
void BuildFramesCsr(Matrix* frames, const CPolygon* polygons, int32_t polygonCount, int32_t pointCount,
                    const CsrPointPolygons& around, std::vector<Vector>& normals);

// Seconds spent in each stage of one yardstick run (added to, never reset).
struct StageTimes {
  double adjacency = 0.0;  // neighbour lists and polygons around points
  double smoothing = 0.0;
  double frames = 0.0;
  double rebuild = 0.0;    // capture: inversion; deformation: points from frames and offsets
};

// The whole capture: smoothed rest frames, then each rest point in its inverted frame.
// in: rest points and polygons. out: offsets (one per point); stage times added to times.
void CaptureFlat(const Vector* rest, int32_t pointCount, const CPolygon* polygons, int32_t polygonCount,
                 const SmoothSettings& settings, int32_t iterations, int32_t workers, std::vector<Vector>& offsets,
                 StageTimes* times);

// The whole deformation pass with an infinite falloff and no restriction: smoothed frames
// of the current points, then every point rebuilt from its frame and offset.
// in: points (the deformer's input), offsets from a capture. out: points rewritten.
void DeformFlat(Vector* points, int32_t pointCount, const CPolygon* polygons, int32_t polygonCount,
                const Vector* offsets, const SmoothSettings& settings, int32_t iterations, int32_t workers,
                StageTimes* times);

}  // namespace bench

#endif

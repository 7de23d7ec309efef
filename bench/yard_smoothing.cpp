// Yardstick smoothing: the plug-in's relaxation step over compressed rows, on a crew of
// std::threads.
#include <cmath>
#include <memory>

#include "tavrenthreads.h"
#include "yardstick.h"

namespace bench {
namespace {

// The relaxation of one mode; the sums and products in the plug-in's order.
template <int32_t Mode>
void SmoothRangeOf(const CsrNeighbors& lists, const SmoothSettings& settings, const Vector* src, Vector* dst,
                   int32_t begin, int32_t end) {
  const int32_t* start = lists.start.data();
  const int32_t* items = lists.items.data();
  const int32_t* borders = lists.borders.data();
  const Float step = static_cast<Float>(settings.strength);
  for (int32_t n = begin; n < end; ++n) {
    if (borders[n] == 1 && settings.pinBorders == 1) {
      dst[n] = src[n];
      continue;
    }
    const int32_t* adj = items + start[n];
    const int64_t k = start[n + 1] - start[n];
    const Vector P = src[n];
    Vector D(0.0, 0.0, 0.0);
    if (Mode == 0) {
      for (int64_t e = 0; e < k; ++e) D += src[adj[e]] - P;
      int32_t m = static_cast<int32_t>(k);
      if (m == 0) m = 1;
      D *= 1.0 / static_cast<Float>(m);
    } else {
      Vector S(0.0, 0.0, 0.0);
      Float W = 0.0;
      for (int64_t e = 0; e < k; ++e) {
        const Vector d = src[adj[e]] - P;
        const Float w = std::sqrt(d.x * d.x + d.y * d.y + d.z * d.z);
        S += d * w;
        W += w;
      }
      Float q = static_cast<Float>(k) * W;
      if (q == 0.0) q = 1.0;
      D = S * (1.0 / q);
    }
    D *= step;
    dst[n] = P + D;
  }
}

}  // namespace

void SmoothRange(const CsrNeighbors& lists, const SmoothSettings& settings, const Vector* src, Vector* dst,
                 int32_t begin, int32_t end) {
  if (settings.mode == 0)
    SmoothRangeOf<0>(lists, settings, src, dst, begin, end);
  else if (settings.mode == 1)
    SmoothRangeOf<1>(lists, settings, src, dst, begin, end);
  else
    for (int32_t n = begin; n < end; ++n) dst[n] = src[n];
}

SmoothingCrew::SmoothingCrew(int32_t workers) : workers_(workers) {
  threads_.reserve(static_cast<size_t>(workers));
  for (int32_t i = 0; i < workers; ++i) threads_.emplace_back(&SmoothingCrew::Work, this, i);
}

SmoothingCrew::~SmoothingCrew() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    stop_ = true;
  }
  start_.notify_all();
  for (std::thread& t : threads_) t.join();
}

void SmoothingCrew::Pass(const CsrNeighbors& lists, const SmoothSettings& settings, const Vector* src, Vector* dst,
                         int32_t pointCount) {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    job_ = Job{&lists, &settings, src, dst, pointCount};
    pending_ = workers_;
    ++generation_;
  }
  start_.notify_all();
  std::unique_lock<std::mutex> lock(mutex_);
  done_.wait(lock, [this] { return pending_ == 0; });
}

void SmoothingCrew::Work(int32_t index) {
  uint64_t seen = 0;
  for (;;) {
    Job job;
    {
      std::unique_lock<std::mutex> lock(mutex_);
      start_.wait(lock, [&] { return stop_ || generation_ != seen; });
      if (stop_) return;
      seen = generation_;
      job = job_;
    }
    Int32 begin = 0, count = 0;
    LaplacianRange(job.pointCount, workers_, index, &begin, &count);
    SmoothRange(*job.lists, *job.settings, job.src, job.dst, begin, begin + count);
    std::lock_guard<std::mutex> lock(mutex_);
    if (--pending_ == 0) done_.notify_one();
  }
}

SmoothingCrew& CrewOf(int32_t workers) {
  static std::mutex mutex;
  static std::vector<std::unique_ptr<SmoothingCrew>> crews;
  std::lock_guard<std::mutex> lock(mutex);
  if (crews.size() < static_cast<size_t>(workers)) crews.resize(static_cast<size_t>(workers));
  std::unique_ptr<SmoothingCrew>& crew = crews[static_cast<size_t>(workers) - 1];
  if (!crew) crew = std::make_unique<SmoothingCrew>(workers);
  return *crew;
}

Vector* SmoothOnThreads(const CsrNeighbors& lists, const SmoothSettings& settings, Vector* a, Vector* b,
                        int32_t pointCount, int32_t iterations, int32_t workers) {
  SmoothingCrew& crew = CrewOf(workers);
  Vector* src = a;
  Vector* dst = b;
  for (int32_t it = 0; it < iterations; ++it) {
    crew.Pass(lists, settings, src, dst, pointCount);
    std::swap(src, dst);
  }
  return src;
}

}  // namespace bench

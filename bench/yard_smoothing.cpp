// Yardstick smoothing: the relaxation step over compressed rows, on a crew of std::threads.
#include <cmath>
#include <memory>

#include "tavrenthreads.h"
#include "yardstick.h"

namespace bench {
namespace {

// The relaxation of one mode, on the coordinates directly. Each sum and product is taken
// in the order that fixes the plug-in's results (neighbour differences summed in list
// order, the mean taken by multiplying with a reciprocal, the step applied last); the
// yardstick test holds the two to the bit.
template <int32_t Mode>
void SmoothRangeOf(const CsrNeighbors& lists, const SmoothSettings& settings, const Vector* src, Vector* dst,
                   int32_t begin, int32_t end) {
  const int32_t* start = lists.start.data();
  const int32_t* items = lists.items.data();
  const int32_t* borders = lists.borders.data();
  const bool pin = settings.pinBorders == 1;
  const double step = static_cast<double>(settings.strength);
  for (int32_t n = begin; n < end; ++n) {
    const double px = src[n].x, py = src[n].y, pz = src[n].z;
    if (pin && borders[n] == 1) {
      dst[n] = src[n];
      continue;
    }
    const int32_t first = start[n], last = start[n + 1];
    double dx = 0.0, dy = 0.0, dz = 0.0;
    double scale;
    if (Mode == 0) {
      for (int32_t e = first; e < last; ++e) {
        const Vector& q = src[items[e]];
        dx += q.x - px;
        dy += q.y - py;
        dz += q.z - pz;
      }
      scale = 1.0 / static_cast<double>(last > first ? last - first : 1);
    } else {
      double weightSum = 0.0;
      for (int32_t e = first; e < last; ++e) {
        const Vector& q = src[items[e]];
        const double ex = q.x - px, ey = q.y - py, ez = q.z - pz;
        const double w = std::sqrt(ex * ex + ey * ey + ez * ez);
        dx += ex * w;
        dy += ey * w;
        dz += ez * w;
        weightSum += w;
      }
      const double q = static_cast<double>(last - first) * weightSum;
      scale = 1.0 / (q == 0.0 ? 1.0 : q);
    }
    dst[n] = Vector(px + dx * scale * step, py + dy * scale * step, pz + dz * scale * step);
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

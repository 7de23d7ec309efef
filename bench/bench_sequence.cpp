// Benchmark 5: deform over a whole sequence, as a user runs it for a shot: the built
// tavren-host on a 100k- and a 1M-point grid, posed frames as OBJ files or one PC2 point
// cache, on 1 and 2 jobs. Reports frames per second and the share of the work spent reading,
// deforming and writing (as deform itself measures them). No yardstick: the figure is the
// throughput itself.
#include <cctype>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>

#include "cases.h"
#include "grid.h"
#include "hostapp/io/obj.h"
#include "hostapp/io/point_cache_file.h"

namespace bench {
namespace {

// A sequence on disk: the rest mesh, its binding, the posed frames in both forms.
struct Sequence {
  std::string dir;
  int32_t frames = 0;
  std::string error;
};

std::string Quote(const std::string& s) { return "'" + s + "'"; }

// Frame f of the grid's posed mesh: the bend, moved a little further each frame.
std::vector<C4D_Vector> FramePoints(const GridMesh& g, int32_t f) {
  std::vector<C4D_Vector> p = g.posed;
  for (C4D_Vector& v : p) v.z += 0.01 * f * std::sin(0.01 * v.x);
  return p;
}

// Builds the sequence of a grid size once per process.
const Sequence& SequenceFor(const GridSize& size, int32_t frames) {
  static std::map<int32_t, Sequence> made;
  Sequence& s = made[size.cells];
  if (!s.dir.empty() || !s.error.empty()) return s;
  s.frames = frames;
  s.dir = (std::filesystem::temp_directory_path() / ("tavren-bench-seq-" + std::string(size.label))).string();
  std::error_code ec;
  std::filesystem::remove_all(s.dir, ec);
  std::filesystem::create_directories(s.dir, ec);
  const GridMesh& g = Grid(size.cells);
  hostapp::Mesh rest{g.points, g.polygons};
  std::string error;
  if (!hostapp::WriteObj(s.dir + "/rest.obj", rest, &error)) return s.error = error, s;
  hostapp::PointCacheInfo info;
  info.points = static_cast<int32_t>(g.points.size());
  info.frames = frames;
  hostapp::PointCacheWriter cache;
  if (!cache.Open(s.dir + "/posed.pc2", info, &error)) return s.error = error, s;
  for (int32_t f = 0; f < frames; ++f) {
    char name[32];
    std::snprintf(name, sizeof name, "/posed_%04d.obj", f);
    hostapp::Mesh posed{FramePoints(g, f), g.polygons};
    if (!hostapp::WriteObj(s.dir + name, posed, &error) || !cache.WriteFrame(f, posed.points, &error))
      return s.error = error, s;
  }
  if (!cache.Finish(&error)) return s.error = error, s;
  const std::string bind = "cd " + Quote(s.dir) + " && " + Quote(TAVREN_HOST_PATH) +
                           " bind --rest rest.obj --out b.tvs >/dev/null 2>&1";
  if (std::system(bind.c_str()) != 0) s.error = "tavren-host bind failed in " + s.dir;
  return s;
}

// in: text, deform's summary line. out: the number before `unit`; -1 when absent.
double NumberBefore(const std::string& text, const std::string& unit) {
  const size_t at = text.find(unit);
  if (at == std::string::npos) return -1.0;
  size_t b = at;
  while (b > 0 && (std::isdigit(static_cast<unsigned char>(text[b - 1])) || text[b - 1] == '.')) --b;
  return std::atof(text.substr(b, at - b).c_str());
}

void Case(benchmark::State& state, GridSize size, int32_t frames, bool pc2, int32_t jobs) {
  const Sequence& s = SequenceFor(size, frames);
  if (!s.error.empty()) return state.SkipWithError(s.error.c_str());
  const std::string posed = pc2 ? "posed.pc2" : "posed_%04d.obj --frames 0-" + std::to_string(frames - 1);
  const std::string out = pc2 ? "out.pc2" : "out";
  const std::string command = "cd " + Quote(s.dir) + " && " + Quote(TAVREN_HOST_PATH) +
                              " deform --binding b.tvs --posed " + posed + " --out " + out +
                              " --jobs " + std::to_string(jobs) + " > summary.txt 2>&1";
  std::string summary;
  for (auto _ : state) {
    const auto t0 = std::chrono::steady_clock::now();
    const int code = std::system(command.c_str());
    state.SetIterationTime(std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count());
    std::ifstream in(s.dir + "/summary.txt");
    std::stringstream text;
    text << in.rdbuf();
    summary = text.str();
    if (code != 0) return state.SkipWithError(("deform failed: " + summary).c_str());
  }
  state.counters["frames_per_s"] = NumberBefore(summary, " frames/s");
  state.counters["read_%"] = NumberBefore(summary, " % reading");
  state.counters["deform_%"] = NumberBefore(summary, " % deforming");
  state.counters["write_%"] = NumberBefore(summary, " % writing");
}

}  // namespace

void RegisterSequenceBenchmarks() {
  // 30 frames at 100k points; 6 at 1M (an OBJ frame of 1M points is about 70 MB).
  for (const GridSize& size : GridSizes()) {
    if (size.cells < 300) continue;
    const int32_t frames = size.cells >= 1000 ? 6 : 30;
    for (bool pc2 : {false, true})
      for (int32_t jobs : {1, 2})
        benchmark::RegisterBenchmark(CaseName("Sequence", pc2 ? "pc2" : "obj", size, jobs).c_str(), Case, size, frames,
                                     pc2, jobs)
            ->Unit(benchmark::kMillisecond)
            ->UseManualTime()
            ->Iterations(1);
  }
}

}  // namespace bench

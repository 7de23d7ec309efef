// tavren-host deform: binds on a rest mesh (or loads a binding made by bind) and deforms one
// posed mesh into an OBJ file, or a sequence of posed meshes (OBJ files or a point cache)
// into a folder of frame-numbered OBJ files or a point cache. Frames are deformed on several
// threads at once, each with its own copy of the bound scene.
#include <CLI/CLI.hpp>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <mutex>
#include <string>
#include <system_error>
#include <vector>

#include "cli/cli_support.h"
#include "cli/commands.h"
#include "cli/frame_jobs.h"
#include "cli/frames.h"
#include "cli/progress.h"
#include "cli/scene_options.h"
#include "hostapp/app/deform_scene.h"
#include "hostapp/io/obj.h"
#include "hostapp/io/point_cache_file.h"
#include "hostapp/scene/document.h"
#include "hostapp/scene/scenefile.h"
#include "hostapp/services/printable.h"

namespace tavren_cli {
namespace {

constexpr char kDefaultOutFolder[] = "tavren-out";

struct DeformOptions {
  std::string rest;
  std::string binding;
  std::vector<std::string> posed;
  std::string out;
  std::string frames;
  size_t jobs = 0;  // 0: one per core
  SettingsOptions settings;
};

// Where deform writes.
enum class OutputKind {
  kObjFile,  // the one output to the .obj file --out names
  kFolder,   // frame-numbered OBJ files in a folder
  kCache,    // one point cache (.mdd or .pc2) holding every frame
};

// in: o, frame_count. out: kCache for an --out ending in .mdd or .pc2; kObjFile for one
// frame, no --frames, and an --out ending in ".obj" that is no folder; else kFolder. Throws
// CommandError for several frames and an --out that names an .obj file.
OutputKind OutputKindOf(const DeformOptions& o, size_t frame_count) {
  hostapp::PointCacheFormat format;
  if (hostapp::PointCacheFormatOf(o.out, &format)) return OutputKind::kCache;
  std::error_code ec;
  const bool obj_name = o.out.size() > 4 && o.out.compare(o.out.size() - 4, 4, ".obj") == 0;
  if (o.out.empty() || !obj_name || std::filesystem::is_directory(o.out, ec)) return OutputKind::kFolder;
  if (frame_count > 1 || !o.frames.empty())
    throw CommandError("--out " + o.out + ": several frames go into a folder or a point cache, not into one .obj file");
  return OutputKind::kObjFile;
}

// Creates the output folder when missing and removes it again on a failure before any
// frame was written, so that a failed run leaves nothing behind.
class OutputFolder {
 public:
  // in: path. Throws CommandError when it cannot be made or a file is in its place.
  explicit OutputFolder(const std::string& path) : path_(path) {
    std::error_code ec;
    if (std::filesystem::is_directory(path, ec)) return;
    if (std::filesystem::exists(path, ec)) throw CommandError(path + ": is a file, not a folder for the outputs");
    // Runs in parallel may create it at the same time: only the one that made it removes it.
    created_ = std::filesystem::create_directories(path, ec);
    if (ec) throw CommandError(path + ": cannot create the output folder: " + ec.message());
  }
  ~OutputFolder() {
    std::error_code ec;
    if (created_ && !kept_) std::filesystem::remove(path_, ec);  // only removes it while empty
  }
  // Keeps the folder: a frame was written into it.
  void Keep() { kept_ = true; }

 private:
  std::string path_;
  bool created_ = false;
  bool kept_ = false;
};

// in: frames. Throws CommandError naming the first posed file that is missing, so that a
// sequence with a gap fails before any work is done.
void CheckPosedFilesExist(const std::vector<PosedFrame>& frames) {
  for (const PosedFrame& f : frames) {
    std::error_code ec;
    if (!std::filesystem::exists(f.path, ec))
      throw CommandError(f.path + ": no such file (posed mesh of frame " + std::to_string(f.number) + ")");
  }
}

// in: o (with --rest or --binding). out: the scene ready to deform: built and bound on the
// rest mesh, or loaded from the binding file. The plug-in must be running.
std::unique_ptr<hostapp::DeformScene> MakeScene(const DeformOptions& o, const hostapp::Mesh* rest) {
  std::string error;
  if (!o.binding.empty()) {
    std::unique_ptr<hostapp::Document> doc = hostapp::LoadDocument(o.binding, &error);
    if (!doc) throw CommandError(error);
    std::unique_ptr<hostapp::DeformScene> scene = hostapp::DeformScene::Adopt(std::move(doc), o.binding, &error);
    if (!scene) throw CommandError(error);
    return scene;
  }
  const hostapp::TagSettings settings = o.settings.Resolve(rest->points.size());
  std::unique_ptr<hostapp::DeformScene> scene = hostapp::DeformScene::Build(*rest, settings, Stem(o.rest), &error);
  if (!scene) throw CommandError(o.rest + ": " + error);
  if (!scene->Bind(&error)) throw CommandError(o.rest + ": " + error);
  return scene;
}

// The posed frames of a run: OBJ files, or the frames of one point cache (numbered by their
// index in it, from 0).
struct PosedInput {
  std::vector<PosedFrame> frames;
  bool cache = false;
  hostapp::PointCacheInfo info;  // of the cache
};

// in: o. out: the frames to deform; throws CommandError for a missing file, a damaged cache
// or a range outside it.
PosedInput ListInput(const DeformOptions& o) {
  PosedInput in;
  const bool has_range = !o.frames.empty();
  const FrameRange range = has_range ? ParseFrameRange(o.frames) : FrameRange{};
  hostapp::PointCacheFormat format;
  if (o.posed.size() == 1 && hostapp::PointCacheFormatOf(o.posed[0], &format)) {
    hostapp::PointCacheReader reader;
    std::string error;
    if (!reader.Open(o.posed[0], &error)) throw CommandError(error);
    in.cache = true;
    in.info = reader.Info();
    const int64_t last = in.info.frames - 1;
    if (has_range && range.last > last)
      throw CommandError("--frames " + o.frames + ": " + o.posed[0] + " holds frames 0-" + std::to_string(last));
    for (int64_t f = has_range ? range.first : 0; f <= (has_range ? range.last : last); ++f)
      in.frames.push_back(PosedFrame{f, o.posed[0]});
    return in;
  }
  for (const std::string& p : o.posed) {
    if (hostapp::PointCacheFormatOf(p, &format))
      throw CommandError("--posed " + p + ": a point cache must be the only posed file");
  }
  in.frames = ListPosedFrames(o.posed, has_range, range);
  CheckPosedFilesExist(in.frames);
  return in;
}

// Time the threads spent on each part of the work, summed over all of them.
struct WorkTimes {
  using Clock = std::chrono::steady_clock;
  std::atomic<int64_t> read{0}, deform{0}, write{0};  // nanoseconds

  // Adds the time since t0 to part; out: now.
  static Clock::time_point Add(std::atomic<int64_t>& part, Clock::time_point t0) {
    const Clock::time_point now = Clock::now();
    part += std::chrono::duration_cast<std::chrono::nanoseconds>(now - t0).count();
    return now;
  }
  // out: "R % reading, D % deforming, W % writing".
  std::string Shares() const {
    const double total = std::max<double>(1.0, static_cast<double>(read + deform + write));
    char text[96];
    std::snprintf(text, sizeof text, "%.0f %% reading, %.0f %% deforming, %.0f %% writing", 100.0 * read / total,
                  100.0 * deform / total, 100.0 * write / total);
    return text;
  }
};

// What one thread keeps between its frames.
struct FrameWorker {
  hostapp::DeformScene* scene = nullptr;
  hostapp::PointCacheReader reader;  // open when the input is a cache
  std::vector<C4D_Vector> posed;
  WorkTimes* times = nullptr;
};

// in: worker, frame. Reads the frame's posed points and evaluates them. out: the deformed
// points; throws CommandError.
std::vector<C4D_Vector> DeformFrame(FrameWorker& worker, const PosedFrame& frame, bool cache) {
  WorkTimes::Clock::time_point t0 = WorkTimes::Clock::now();
  std::string error;
  std::string source = frame.path;
  if (cache) {
    source += " frame " + std::to_string(frame.number);
    if (!worker.reader.ReadFrame(static_cast<int32_t>(frame.number), &worker.posed, &error) ||
        !worker.scene->SetPosePoints(worker.posed, source, &error))
      throw CommandError(error);
  } else {
    const hostapp::Mesh posed = ReadMesh(frame.path);
    if (!worker.scene->SetPose(posed, frame.path, &error)) throw CommandError(error);
  }
  if (worker.times) t0 = WorkTimes::Add(worker.times->read, t0);
  std::vector<C4D_Vector> result;
  if (!worker.scene->Evaluate(&result, &error)) throw CommandError(source + ": " + error);
  for (size_t i = 0; i < result.size(); ++i) {
    const C4D_Vector& p = result[i];
    if (!std::isfinite(p.x) || !std::isfinite(p.y) || !std::isfinite(p.z))
      throw CommandError(source + ": the deformation gave point " + std::to_string(i) +
                         " a coordinate that is not finite");
  }
  if (worker.times) WorkTimes::Add(worker.times->deform, t0);
  return result;
}

// in: scene, points, out_path. Writes the deformed mesh (points with the rest mesh's
// polygons) atomically. Throws CommandError.
void WriteFrameObj(hostapp::DeformScene& scene, std::vector<C4D_Vector> points, const std::string& out_path) {
  hostapp::Mesh result;
  result.points = std::move(points);
  result.polygons = scene.MeshObject().Polygons();
  std::string error;
  if (!hostapp::WriteObj(out_path, result, &error)) throw CommandError(error);
}

// in: in (the posed input), out (a .mdd or .pc2 path), points. out: the header of the
// output cache: the input cache's timing for the frames chosen, or, from OBJ files, the
// first frame's number and one frame per sample (MDD: frame / 24 s).
hostapp::PointCacheInfo OutputCacheInfo(const PosedInput& in, const std::string& out, int32_t points) {
  hostapp::PointCacheInfo info;
  hostapp::PointCacheFormatOf(out, &info.format);
  info.points = points;
  info.frames = static_cast<int32_t>(in.frames.size());
  const double first = static_cast<double>(in.frames.front().number);
  const bool pc2_in = in.cache && in.info.format == hostapp::PointCacheFormat::kPc2;
  const bool mdd_in = in.cache && in.info.format == hostapp::PointCacheFormat::kMdd;
  info.start = pc2_in ? static_cast<float>(in.info.start + first * in.info.rate) : static_cast<float>(first);
  info.rate = pc2_in ? in.info.rate : 1.0f;
  for (const PosedFrame& f : in.frames)
    info.times.push_back(mdd_in ? in.info.times[static_cast<size_t>(f.number)] : static_cast<float>(f.number) / 24.0f);
  return info;
}

// in: scene, bound; count >= 1. out: count scenes that deform alike: scene itself, then
// copies made through the scene file format (as a binding saved by bind and loaded again),
// one for each thread that evaluates frames. Throws CommandError.
std::vector<std::unique_ptr<hostapp::DeformScene>> SceneCopies(std::unique_ptr<hostapp::DeformScene> scene,
                                                               size_t count) {
  std::vector<std::unique_ptr<hostapp::DeformScene>> scenes;
  std::vector<uint8_t> bytes;
  std::string error;
  if (count > 1 && !hostapp::SerializeDocument(scene->GetDocument(), &bytes, &error))
    throw CommandError("cannot copy the bound scene for --jobs: " + error);
  scenes.push_back(std::move(scene));
  while (scenes.size() < count) {
    std::unique_ptr<hostapp::Document> doc =
        hostapp::ParseDocument(bytes.data(), bytes.size(), "the bound scene", &error);
    std::unique_ptr<hostapp::DeformScene> copy =
        doc ? hostapp::DeformScene::Adopt(std::move(doc), "the bound scene", &error) : nullptr;
    if (!copy) throw CommandError("cannot copy the bound scene for --jobs: " + error);
    scenes.push_back(std::move(copy));
  }
  return scenes;
}

void RunDeform(const DeformOptions& o) {
  if (o.rest.empty() && o.binding.empty())
    throw CommandError("deform needs --rest REST.obj (bind now) or --binding SCENE.tvs (a binding made by bind)");
  if (!o.rest.empty() && !o.binding.empty())
    throw CommandError("deform takes --rest or --binding, not both (the binding holds its own rest mesh)");
  const PosedInput in = ListInput(o);
  const std::vector<PosedFrame>& frames = in.frames;
  const OutputKind kind = OutputKindOf(o, frames.size());
  const std::string out = o.out.empty() ? kDefaultOutFolder : o.out;

  hostapp::Mesh rest;
  if (!o.rest.empty()) rest = ReadMesh(o.rest);
  std::unique_ptr<hostapp::Session> session = StartPlugin();
  std::unique_ptr<hostapp::DeformScene> scene = MakeScene(o, &rest);
  const size_t points = scene->MeshObject().Points().size();
  if (in.cache && static_cast<size_t>(in.info.points) != points)
    throw CommandError(o.posed[0] + ": " + std::to_string(in.info.points) + " points, but the rest mesh has " +
                       std::to_string(points));

  // Every thread has its own scene and its own handle on the input cache.
  const std::vector<std::unique_ptr<hostapp::DeformScene>> scenes =
      SceneCopies(std::move(scene), kind == OutputKind::kObjFile ? 1 : JobCount(o.jobs, frames.size()));
  WorkTimes times;
  std::vector<FrameWorker> workers(scenes.size());
  for (size_t j = 0; j < scenes.size(); ++j) {
    workers[j].scene = scenes[j].get();
    workers[j].times = &times;
    std::string error;
    if (in.cache && !workers[j].reader.Open(o.posed[0], &error)) throw CommandError(error);
  }

  if (kind == OutputKind::kObjFile) {
    WriteFrameObj(*scenes[0], DeformFrame(workers[0], frames[0], in.cache), out);
    std::printf("wrote %s (%zu points)\n", hostapp::PrintableText(out).c_str(), points);
    return;
  }
  std::unique_ptr<OutputFolder> folder_guard;
  hostapp::PointCacheWriter writer;
  std::mutex writer_mutex;
  std::string error;
  if (kind == OutputKind::kFolder) {
    folder_guard = std::make_unique<OutputFolder>(out);
  } else if (!writer.Open(out, OutputCacheInfo(in, out, static_cast<int32_t>(points)), &error)) {
    throw CommandError(error);
  }
  // The frames go to their places whatever order they finish in; the progress line counts
  // finished frames.
  auto target = [&](size_t i) {
    return kind == OutputKind::kFolder ? FrameOutputPath(out, frames[i].number) : out;
  };
  Progress progress(frames.size());
  size_t done = 0;
  // The first frame (in sequence order) that failed, with its error; frames written by this
  // run, so that those after a failed frame can be taken back.
  std::mutex failure_mutex;
  size_t failed = frames.size();
  std::string failure;
  int failure_code = 1;
  std::vector<char> written(frames.size(), 0);
  const WorkTimes::Clock::time_point start = WorkTimes::Clock::now();
  try {
    RunFrameJobs(
        frames.size(), workers.size(),
        [&](size_t job, size_t i) {
          try {
            std::vector<C4D_Vector> result = DeformFrame(workers[job], frames[i], in.cache);
            const WorkTimes::Clock::time_point t0 = WorkTimes::Clock::now();
            if (kind == OutputKind::kFolder) {
              WriteFrameObj(*workers[job].scene, std::move(result), target(i));
              written[i] = 1;
            } else {
              std::string write_error;
              std::lock_guard<std::mutex> lock(writer_mutex);
              if (!writer.WriteFrame(static_cast<int32_t>(i), result, &write_error)) throw CommandError(write_error);
            }
            WorkTimes::Add(times.write, t0);
          } catch (const CommandError& e) {
            std::lock_guard<std::mutex> lock(failure_mutex);
            if (i < failed) {
              failed = i;
              failure = e.what();
              failure_code = e.Code();
            }
            throw;
          }
        },
        [&](size_t i) {
          if (folder_guard) folder_guard->Keep();
          progress.Step(++done, "frame " + std::to_string(frames[i].number) + ": " + target(i));
        });
  } catch (const CommandError&) {
    if (kind != OutputKind::kFolder || failed == frames.size()) throw;
    // The frames before the failed one are complete and right: they stay, so that a run over
    // the frames from that one on finishes the sequence. Frames after it that other threads
    // finished go, so that the folder holds exactly the frames before it (none when the first
    // frame failed, and then the folder this run made goes too).
    for (size_t k = failed + 1; k < frames.size(); ++k) {
      if (written[k]) std::remove(target(k).c_str());
    }
    if (failed == 0) throw;
    throw CommandError(failure + " (frame " + std::to_string(frames[failed].number) + "; the " +
                           std::to_string(failed) +
                           (failed == 1 ? " frame written before it stays in " : " frames written before it stay in ") +
                           hostapp::PrintableText(out) + ")",
                       failure_code);
  }
  progress.Finish();
  if (kind == OutputKind::kCache && !writer.Finish(&error)) throw CommandError(error);
  const double seconds = std::chrono::duration<double>(WorkTimes::Clock::now() - start).count();
  std::printf("wrote %zu frame%s to %s in %.2f s: %.2f frames/s on %zu job%s; %s\n", frames.size(),
              frames.size() == 1 ? "" : "s", hostapp::PrintableText(out).c_str(), seconds,
              frames.size() / std::max(seconds, 1e-9), workers.size(), workers.size() == 1 ? "" : "s",
              times.Shares().c_str());
}

}  // namespace
}  // namespace tavren_cli

void AddDeformCommand(CLI::App& app) {
  auto o = std::make_shared<tavren_cli::DeformOptions>();
  CLI::App* cmd = app.add_subcommand(
      "deform",
      "bind on the rest mesh (or load a binding), then deform posed meshes: the posed shape, smoothed, with the "
      "rest-pose detail put back");
  cmd->add_option("--rest", o->rest, "rest mesh (OBJ) to bind on")->type_name("REST.obj");
  CLI::Option* binding =
      cmd->add_option("--binding", o->binding, "scene file written by bind, used instead of binding again")
          ->type_name("SCENE.tvs");
  cmd->add_option("--posed", o->posed,
                  "posed mesh(es) (OBJ, same points and faces as the rest mesh); several files, one pattern "
                  "such as posed_%04d.obj with --frames, or one point cache (.mdd or .pc2, its frames numbered "
                  "from 0) of the rest mesh's points")
      ->required()
      ->type_name("POSED.obj");
  cmd->add_option("--out", o->out,
                  "output: a file NAME.obj for one posed mesh; a point cache NAME.mdd or NAME.pc2 holding every "
                  "frame; else a folder (default tavren-out/) of deformed_NNNN.obj named by frame number")
      ->type_name("OUT");
  cmd->add_option("--frames", o->frames, "frames FIRST-LAST: fills a --posed pattern, or picks among numbered files")
      ->type_name("A-B");
  cmd->add_option("--jobs", o->jobs,
                  "frames deformed at once (default: one per core); the outputs are the same for any number")
      ->check(CLI::Range(size_t{1}, size_t{1024}))
      ->type_name("N");
  for (CLI::Option* opt : o->settings.AddTo(*cmd)) opt->excludes(binding);
  cmd->callback([o] { tavren_cli::RunDeform(*o); });
}

#include "hostapp/app/comparison.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <limits>
#include <memory>
#include <system_error>

#include "hostapp/app/session.h"
#include "hostapp/eval/evaluate.h"
#include "hostapp/io/obj.h"
#include "hostapp/io/point_cache_file.h"
#include "hostapp/scene/document.h"
#include "hostapp/scene/input.h"
#include "hostapp/scene/matrix.h"
#include "hostapp/scene/scenefile.h"

namespace hostapp {

namespace {

// The colours of the two columns of the picture.
constexpr Rgb8 kSkinColor{214, 128, 96};
constexpr Rgb8 kCorrectedColor{104, 164, 222};

// in: folder, file name. out: the path of the file in the folder.
std::string Join(const std::string& dir, const std::string& name) {
  if (dir.empty()) return name;
  return dir.back() == '/' ? dir + name : dir + "/" + name;
}

// in: mesh stem, kind, frame. out: "<stem>_<kind>_NNNN.obj".
std::string FrameFile(const std::string& stem, const char* kind, int32_t frame) {
  char number[24];
  std::snprintf(number, sizeof number, "%04d", static_cast<int>(frame));
  return stem + "_" + kind + "_" + number + ".obj";
}

bool AllFinite(const std::vector<C4D_Vector>& points) {
  for (const C4D_Vector& p : points) {
    if (!std::isfinite(p.x) || !std::isfinite(p.y) || !std::isfinite(p.z)) return false;
  }
  return true;
}

// in: the deformers, on. Switches their deform state.
void SetDeformers(const std::vector<TavrenPlacement>& placements, bool on) {
  for (const TavrenPlacement& p : placements) p.deformer->SetState(C4D_OBJECT_DEFORM, on);
}

// What is kept of each mesh for measuring.
struct MeshState {
  std::vector<MeshEdge> edges;
  bool closed = false;
  double rest_volume = 0;
};

// One row of the picture: the global points of every mesh, skin only and corrected.
struct PictureRow {
  int32_t frame = 0;
  std::vector<std::vector<C4D_Vector>> skin, corrected;
  View overlay;
};

// in: evaluator, frame, placements. out: *points, the deformed points of every placed mesh;
// false with *error when the evaluation reported a problem or a mesh is missing from it.
bool EvaluateMeshes(Evaluator& evaluator, int32_t frame, const std::vector<TavrenPlacement>& placements,
                    const char* what, std::vector<std::vector<C4D_Vector>>* points, std::string* error) {
  EvaluationResult result = evaluator.Evaluate(static_cast<double>(frame));
  if (!result.issues.empty()) {
    *error = "frame " + std::to_string(frame) + " (" + what + "): " + result.issues.front().message;
    return false;
  }
  points->clear();
  for (const TavrenPlacement& p : placements) {
    const std::vector<C4D_Vector>* deformed = result.Points(*p.mesh);
    if (!deformed || deformed->size() != p.mesh->Points().size()) {
      *error = "frame " + std::to_string(frame) + " (" + what + "): no deformed points for " + p.mesh->Name();
      return false;
    }
    if (!AllFinite(*deformed)) {
      *error =
          "frame " + std::to_string(frame) + " (" + what + "): " + p.mesh->Name() + " has points that are not finite";
      return false;
    }
    points->push_back(std::move(result.points[p.mesh]));
  }
  return true;
}

// in: points in op's space. out: the same in global space.
std::vector<C4D_Vector> ToGlobal(const Object& op, const std::vector<C4D_Vector>& points) {
  const C4D_Matrix mg = op.Mg();
  std::vector<C4D_Vector> out(points.size());
  for (size_t i = 0; i < points.size(); ++i) out[i] = TransformPoint(mg, points[i]);
  return out;
}

}  // namespace

bool PlaceAndBindTavren(Document& doc, const std::vector<PolygonObject*>& meshes, int32_t iterations,
                        std::vector<TavrenPlacement>* out, std::string* error) {
  out->clear();
  for (Object* op : doc.AllObjects()) op->SetBit(C4D_BIT_ACTIVE, false);
  for (PolygonObject* mesh : meshes) mesh->SetBit(C4D_BIT_ACTIVE, true);
  const int32_t held = Qualifiers();
  SetQualifiers(C4D_QUALIFIER_SHIFT);
  const bool ran = Session::RunCommand(kTavrenCommandId, doc);
  SetQualifiers(held);
  for (PolygonObject* mesh : meshes) mesh->SetBit(C4D_BIT_ACTIVE, false);
  if (!ran) {
    *error = "the add command failed";
    return false;
  }
  for (PolygonObject* mesh : meshes) {
    TavrenPlacement placed;
    placed.mesh = mesh;
    placed.tag = mesh->FindTag(kTavrenTagId);
    for (Object* child = mesh->Down(); child; child = child->Next()) {
      if (child->Type() == kTavrenDeformerId) placed.deformer = child;
    }
    if (!placed.tag || !placed.deformer) {
      *error = mesh->Name() + ": the add command left no bind tag or deformer";
      return false;
    }
    if (iterations > 0) {
      C4D_Data value{};
      value.type = C4D_DA_LONG;
      value.i32 = iterations;
      if (!placed.tag->SetParameter(kTavrenTagIterations, value)) {
        *error = mesh->Name() + ": cannot set the smoothing iterations";
        return false;
      }
    }
    if (!Session::PressButton(placed.tag, kTavrenTagBind)) {
      *error = mesh->Name() + ": binding failed";
      return false;
    }
    out->push_back(placed);
  }
  return true;
}

std::vector<int32_t> PictureFrames(const std::vector<int32_t>& frames, int32_t count) {
  const size_t n = frames.size(), k = static_cast<size_t>(count < 1 ? 1 : count);
  if (n <= k) return frames;
  std::vector<int32_t> picked;
  for (size_t i = 1; i <= k; ++i) picked.push_back(frames[(i * (n - 1) + k / 2) / k]);
  return picked;
}

bool RunComparison(Evaluator& evaluator, const ComparisonJob& job, ComparisonOutcome* outcome, std::string* error) {
  *outcome = ComparisonOutcome();
  Document& doc = evaluator.GetDocument();
  outcome->scene_file = Join(job.out_dir, job.stem + ".tvs");
  if (!SaveDocument(doc, outcome->scene_file, error)) return false;

  std::vector<MeshState> states(job.placements.size());
  for (size_t m = 0; m < job.placements.size(); ++m) {
    const PolygonObject& mesh = *job.placements[m].mesh;
    MeshState& s = states[m];
    s.edges = UniqueEdges(mesh.Polygons());
    s.closed = IsClosedMesh(mesh.Polygons(), mesh.Points().size());
    if (s.closed) {
      s.rest_volume = SignedVolume(mesh.Points(), mesh.Polygons());
      ++outcome->closed_meshes;
    }
    const std::string path = Join(job.out_dir, job.placements[m].stem + "_rest.obj");
    if (!WriteObj(path, Mesh{mesh.Points(), mesh.Polygons()}, error)) return false;
    outcome->rest_files.push_back(path);
  }

  // Point caches of the corrected meshes, filled frame by frame.
  std::vector<std::unique_ptr<PointCacheWriter>> caches;
  for (size_t m = 0; m < job.placements.size() && !job.cache_format.empty(); ++m) {
    const std::string path = Join(job.out_dir, job.placements[m].stem + "_corrected." + job.cache_format);
    PointCacheInfo info;
    if (!PointCacheFormatOf(path, &info.format)) {
      *error = job.cache_format + ": not a point cache format (mdd or pc2)";
      return false;
    }
    info.points = static_cast<int32_t>(job.placements[m].mesh->Points().size());
    info.frames = static_cast<int32_t>(job.frames.size());
    info.start = job.frames.empty() ? 0.0f : static_cast<float>(job.frames.front());
    for (int32_t frame : job.frames) info.times.push_back(static_cast<float>(job.fps > 0 ? frame / job.fps : 0.0));
    caches.push_back(std::make_unique<PointCacheWriter>());
    if (!caches.back()->Open(path, info, error)) return false;
    outcome->cache_files.push_back(path);
  }

  std::vector<PictureRow> picture_rows;
  std::vector<std::vector<C4D_Vector>> skin, corrected;
  const double nan = std::numeric_limits<double>::quiet_NaN();
  for (int32_t frame : job.frames) {
    SetDeformers(job.placements, true);
    if (!EvaluateMeshes(evaluator, frame, job.placements, "corrected", &corrected, error)) return false;
    const bool pictured =
        std::find(job.picture_frames.begin(), job.picture_frames.end(), frame) != job.picture_frames.end();
    View overlay;
    if (pictured && job.picture.draw_overlays) CollectPluginDrawing(doc, &overlay);
    SetDeformers(job.placements, false);
    const bool skin_ok = EvaluateMeshes(evaluator, frame, job.placements, "skin only", &skin, error);
    SetDeformers(job.placements, true);
    if (!skin_ok) return false;

    FrameReport row;
    row.frame = frame;
    row.time = job.fps > 0 ? frame / job.fps : 0.0;
    double rest_volume = 0, skin_volume = 0, corrected_volume = 0;
    for (size_t m = 0; m < job.placements.size(); ++m) {
      const TavrenPlacement& p = job.placements[m];
      const std::vector<C4D_Vector>& rest = p.mesh->Points();
      row.skin.Add(MeasureEdgeChange(rest, skin[m], states[m].edges));
      row.corrected.Add(MeasureEdgeChange(rest, corrected[m], states[m].edges));
      if (states[m].closed) {
        rest_volume += states[m].rest_volume;
        skin_volume += SignedVolume(skin[m], p.mesh->Polygons());
        corrected_volume += SignedVolume(corrected[m], p.mesh->Polygons());
      }
      const std::string skin_path = Join(job.out_dir, FrameFile(p.stem, "skin", frame));
      const std::string corrected_path = Join(job.out_dir, FrameFile(p.stem, "corrected", frame));
      if (!WriteObj(skin_path, Mesh{skin[m], p.mesh->Polygons()}, error) ||
          !WriteObj(corrected_path, Mesh{corrected[m], p.mesh->Polygons()}, error)) {
        return false;
      }
      outcome->mesh_files += 2;
      if (!caches.empty() && !caches[m]->WriteFrame(static_cast<int32_t>(outcome->rows.size()), corrected[m], error))
        return false;
    }
    const bool measured = outcome->closed_meshes > 0 && rest_volume != 0;
    row.skin_volume_ratio = measured ? skin_volume / rest_volume : nan;
    row.corrected_volume_ratio = measured ? corrected_volume / rest_volume : nan;
    outcome->rows.push_back(row);
    if (job.on_frame) job.on_frame(row);

    if (pictured) {
      PictureRow pr;
      pr.frame = frame;
      for (size_t m = 0; m < job.placements.size(); ++m) {
        pr.skin.push_back(ToGlobal(*job.placements[m].mesh, skin[m]));
        pr.corrected.push_back(ToGlobal(*job.placements[m].mesh, corrected[m]));
      }
      pr.overlay = std::move(overlay);
      picture_rows.push_back(std::move(pr));
    }
  }

  for (const std::unique_ptr<PointCacheWriter>& cache : caches) {
    if (!cache->Finish(error)) return false;
  }
  outcome->report_file = Join(job.out_dir, job.stem + "_report.csv");
  if (!WriteReportCsv(outcome->report_file, outcome->rows, error)) return false;

  std::vector<Panel> panels;
  for (const PictureRow& pr : picture_rows) {
    Panel skin_panel, corrected_panel;
    for (size_t m = 0; m < job.placements.size(); ++m) {
      const std::vector<C4D_CPolygon>* polygons = &job.placements[m].mesh->Polygons();
      skin_panel.meshes.push_back(PanelMesh{&pr.skin[m], polygons, kSkinColor});
      corrected_panel.meshes.push_back(PanelMesh{&pr.corrected[m], polygons, kCorrectedColor});
    }
    corrected_panel.overlay = pr.overlay;
    panels.push_back(std::move(skin_panel));
    panels.push_back(std::move(corrected_panel));
  }
  if (!panels.empty()) {
    PictureOptions options = job.picture;
    options.columns = 2;
    outcome->picture_file = Join(job.out_dir, job.stem + "_compare.png");
    if (!WritePanelsPng(outcome->picture_file, panels, options, error)) return false;
  }
  return true;
}

bool PrepareOutputFolder(const std::string& dir, std::string* error) {
  namespace fs = std::filesystem;
  std::error_code ec;
  const fs::path path(dir.empty() ? std::string(".") : dir);
  if (fs::is_directory(path, ec)) return true;
  if (fs::exists(path, ec)) {
    *error = dir + ": exists and is not a folder";
    return false;
  }
  if (!fs::create_directories(path, ec) && !fs::is_directory(path)) {
    *error = dir + ": cannot create the folder: " + (ec ? ec.message() : std::string("unknown error"));
    return false;
  }
  return true;
}

std::string DescribeOutcome(const ComparisonJob& job, const ComparisonOutcome& outcome) {
  const ReportSummary s = Summarize(outcome.rows);
  char line[240];
  std::string out;
  std::snprintf(line, sizeof line, "Mean edge-length change over %d frames: skin only %.4f %%, corrected %.4f %%\n",
                static_cast<int>(s.frames), 100.0 * s.skin_mean, 100.0 * s.corrected_mean);
  out += line;
  if (outcome.closed_meshes > 0) {
    std::snprintf(line, sizeof line, "Volume ratio furthest from 1: skin only %.5f, corrected %.5f\n",
                  s.skin_worst_volume, s.corrected_worst_volume);
  } else {
    std::snprintf(line, sizeof line, "Volume ratio: not measured (no closed mesh)\n");
  }
  out += line;
  out += "Outputs in " + (job.out_dir.empty() ? std::string(".") : job.out_dir) + ":\n";
  out += "  scene with frozen binding  " + outcome.scene_file + "\n";
  for (const std::string& rest : outcome.rest_files) out += "  rest mesh                  " + rest + "\n";
  if (!job.frames.empty()) {
    for (const TavrenPlacement& p : job.placements) {
      out += "  skin-only meshes           " + Join(job.out_dir, FrameFile(p.stem, "skin", job.frames.front())) +
             (job.frames.size() > 1 ? " .. " + FrameFile(p.stem, "skin", job.frames.back()) : std::string()) + "\n";
      out += "  corrected meshes           " + Join(job.out_dir, FrameFile(p.stem, "corrected", job.frames.front())) +
             (job.frames.size() > 1 ? " .. " + FrameFile(p.stem, "corrected", job.frames.back()) : std::string()) +
             "\n";
    }
  }
  for (const std::string& cache : outcome.cache_files) out += "  corrected point cache      " + cache + "\n";
  out += "  per-frame report (CSV)     " + outcome.report_file + "\n";
  if (!outcome.picture_file.empty()) {
    std::string frames;
    for (int32_t f : job.picture_frames) frames += (frames.empty() ? "" : ", ") + std::to_string(f);
    out += "  picture                    " + outcome.picture_file + " (rows: frames " + frames +
           "; left skin only, right corrected)\n";
  }
  return out;
}

}  // namespace hostapp

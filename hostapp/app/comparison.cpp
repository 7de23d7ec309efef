#include "hostapp/app/comparison.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <limits>
#include <memory>
#include <system_error>

#include "hostapp/app/session.h"
#include "hostapp/app/surface_measures.h"
#include "hostapp/eval/evaluate.h"
#include "hostapp/io/glb_animation.h"
#include "hostapp/io/obj.h"
#include "hostapp/render/gif.h"
#include "hostapp/render/strain_color.h"
#include "hostapp/io/point_cache_file.h"
#include "hostapp/scene/document.h"
#include "hostapp/scene/input.h"
#include "hostapp/scene/matrix.h"
#include "hostapp/scene/scenefile.h"
#include "res/description/ttavrenres.h"
#include "hostapp/scene/tag.h"

namespace hostapp {

namespace {

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
  std::unique_ptr<DetailMeasure> detail;
  double rest_detail = 0;
};

// What is kept of each frame for the pictures: per mesh, the global points and the colours
// of the faces by their strain, skin only and corrected.
struct StoredFrame {
  int32_t frame = 0;
  std::vector<std::vector<C4D_Vector>> skin, corrected;
  std::vector<std::vector<Rgb8>> skin_colors, corrected_colors;
  std::vector<std::vector<double>> skin_strain;  // per face, kept for framing the close-up
  View overlay;
};

// in: rest and deformed points, polygons (indices in range). out: each polygon's strain: the
// mean over its sides of |l - l0| / l0 (sides of zero rest length left out; 0 when none is left).
std::vector<double> FaceStrains(const std::vector<C4D_Vector>& rest, const std::vector<C4D_Vector>& deformed,
                                const std::vector<C4D_CPolygon>& polygons) {
  auto length = [](const C4D_Vector& a, const C4D_Vector& b) {
    const double x = a.x - b.x, y = a.y - b.y, z = a.z - b.z;
    return std::sqrt(x * x + y * y + z * z);
  };
  std::vector<double> strains(polygons.size(), 0.0);
  for (size_t i = 0; i < polygons.size(); ++i) {
    const C4D_CPolygon& q = polygons[i];
    const int32_t corners[4] = {q.a, q.b, q.c, q.d};
    const int n = q.c == q.d ? 3 : 4;
    double sum = 0;
    int counted = 0;
    for (int k = 0; k < n; ++k) {
      const int32_t a = corners[k], b = corners[(k + 1) % n];
      const double l0 = length(rest[a], rest[b]);
      if (!(l0 > 0)) continue;
      sum += std::fabs(length(deformed[a], deformed[b]) - l0) / l0;
      ++counted;
    }
    strains[i] = counted > 0 ? sum / counted : 0.0;
  }
  return strains;
}

std::vector<Rgb8> StrainColors(const std::vector<double>& strains) {
  std::vector<Rgb8> colors(strains.size());
  for (size_t i = 0; i < strains.size(); ++i) colors[i] = StrainColor(strains[i]);
  return colors;
}

// Faces at or above this strain can draw the close-up to them.
constexpr double kFocusStrain = 0.05;
// The close-up shows at least this share of the meshes' largest extent.
constexpr double kFocusLeastShare = 0.35;

// in: the pictured frames, the polygons of each mesh. out: *box, the bounds of the most
// strained faces of the skin alone (the top 2 % of faces, at least kFocusStrain), grown by a
// third and to at least kFocusLeastShare of the meshes' largest extent; false when no face is
// strained that much (the picture then shows everything).
bool FocusOnStrain(const std::vector<const StoredFrame*>& frames, const std::vector<TavrenPlacement>& placements,
                   Box* box) {
  std::vector<double> all;
  for (const StoredFrame* f : frames) {
    for (const std::vector<double>& strains : f->skin_strain) all.insert(all.end(), strains.begin(), strains.end());
  }
  if (all.empty()) return false;
  const size_t rank = all.size() - 1 - all.size() / 50;
  std::nth_element(all.begin(), all.begin() + static_cast<std::ptrdiff_t>(rank), all.end());
  const double threshold = std::max(kFocusStrain, all[rank]);
  C4D_Vector lo{0, 0, 0}, hi{0, 0, 0}, whole_lo{0, 0, 0}, whole_hi{0, 0, 0};
  bool any = false, whole_any = false;
  auto grow = [](const C4D_Vector& p, C4D_Vector* a, C4D_Vector* b, bool* seen) {
    if (!*seen) {
      *a = *b = p;
      *seen = true;
      return;
    }
    *a = C4D_Vector{std::min(a->x, p.x), std::min(a->y, p.y), std::min(a->z, p.z)};
    *b = C4D_Vector{std::max(b->x, p.x), std::max(b->y, p.y), std::max(b->z, p.z)};
  };
  for (const StoredFrame* f : frames) {
    for (size_t m = 0; m < placements.size(); ++m) {
      const std::vector<C4D_CPolygon>& polygons = placements[m].mesh->Polygons();
      const std::vector<C4D_Vector>& points = f->skin[m];
      for (const C4D_Vector& p : points) grow(p, &whole_lo, &whole_hi, &whole_any);
      for (size_t i = 0; i < polygons.size(); ++i) {
        if (f->skin_strain[m][i] < threshold) continue;
        const C4D_CPolygon& q = polygons[i];
        for (int32_t c : {q.a, q.b, q.c, q.d}) grow(points[static_cast<size_t>(c)], &lo, &hi, &any);
      }
    }
  }
  if (!any) return false;
  const double extent = std::max({whole_hi.x - whole_lo.x, whole_hi.y - whole_lo.y, whole_hi.z - whole_lo.z});
  const double least = 0.5 * kFocusLeastShare * extent;
  auto axis = [least](double a, double b, double* out_a, double* out_b) {
    const double centre = 0.5 * (a + b), half = std::max(least, 0.5 * (b - a) * 4.0 / 3.0);
    *out_a = centre - half;
    *out_b = centre + half;
  };
  axis(lo.x, hi.x, &box->min.x, &box->max.x);
  axis(lo.y, hi.y, &box->min.y, &box->max.y);
  axis(lo.z, hi.z, &box->min.z, &box->max.z);
  return true;
}

// in: stored frame, placements. out: the frame's two panels, skin only and corrected,
// labelled with the frame; they borrow from stored.
std::vector<Panel> FramePanels(const StoredFrame& stored, const std::vector<TavrenPlacement>& placements) {
  Panel skin_panel, corrected_panel;
  for (size_t m = 0; m < placements.size(); ++m) {
    const std::vector<C4D_CPolygon>* polygons = &placements[m].mesh->Polygons();
    skin_panel.meshes.push_back(PanelMesh{&stored.skin[m], polygons, Rgb8{}, &stored.skin_colors[m]});
    corrected_panel.meshes.push_back(PanelMesh{&stored.corrected[m], polygons, Rgb8{}, &stored.corrected_colors[m]});
  }
  corrected_panel.overlay = stored.overlay;
  skin_panel.label = "skin only, frame " + std::to_string(stored.frame);
  corrected_panel.label = "corrected, frame " + std::to_string(stored.frame);
  std::vector<Panel> panels;
  panels.push_back(std::move(skin_panel));
  panels.push_back(std::move(corrected_panel));
  return panels;
}

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

// in: job, the two writers. Adds every placed mesh at its rest to both; false with *error
// when a mesh cannot be written as glTF or the frames would make the files too large.
bool StartGlbFiles(const ComparisonJob& job, GlbAnimationWriter* skin, GlbAnimationWriter* corrected,
                   std::string* error) {
  for (const TavrenPlacement& p : job.placements) {
    const Mesh rest{p.mesh->Points(), p.mesh->Polygons()};
    if (!skin->AddMesh(p.mesh->Name(), rest, error) || !corrected->AddMesh(p.mesh->Name(), rest, error)) return false;
  }
  if (!skin->Fits(job.frames.size(), error)) {
    *error = "glTF output: " + *error + " (--no-gltf leaves it out)";
    return false;
  }
  return true;
}

}  // namespace

bool PlaceAndBindTavren(Document& doc, const std::vector<PolygonObject*>& meshes, const TagSettings& settings,
                        std::vector<TavrenPlacement>* out, std::string* error) {
  out->clear();
  for (Object* op : doc.AllObjects()) op->SetBit(C4D_BIT_ACTIVE, false);
  for (PolygonObject* mesh : meshes) mesh->SetBit(C4D_BIT_ACTIVE, true);
  const int32_t held = Qualifiers();
  SetQualifiers(C4D_QUALIFIER_SHIFT);
  const bool ran = Session::RunCommand(ID_ADDTAVRENCMD, doc);
  SetQualifiers(held);
  for (PolygonObject* mesh : meshes) mesh->SetBit(C4D_BIT_ACTIVE, false);
  if (!ran) {
    *error = "the add command failed";
    return false;
  }
  for (PolygonObject* mesh : meshes) {
    TavrenPlacement placed;
    placed.mesh = mesh;
    placed.tag = mesh->FindTag(ID_TTAVREN);
    for (Object* child = mesh->Down(); child; child = child->Next()) {
      if (child->Type() == ID_OTAVREN) placed.deformer = child;
    }
    if (!placed.tag || !placed.deformer) {
      *error = mesh->Name() + ": the add command left no bind tag or deformer";
      return false;
    }
    ApplyTagSettings(*placed.tag, settings);
    if (!Session::PressButton(placed.tag, TTAVREN_BIND)) {
      *error = mesh->Name() + ": binding failed";
      return false;
    }
    out->push_back(placed);
  }
  return true;
}

std::vector<int32_t> MostStrainedFrames(const std::vector<FrameReport>& rows, int32_t count) {
  const size_t k = static_cast<size_t>(count < 1 ? 1 : count);
  std::vector<size_t> order(rows.size());
  for (size_t i = 0; i < order.size(); ++i) order[i] = i;
  std::stable_sort(order.begin(), order.end(),
                   [&](size_t a, size_t b) { return rows[a].skin.strain.Mean() > rows[b].skin.strain.Mean(); });
  const size_t spacing = rows.size() / (2 * k);
  std::vector<size_t> taken;
  for (int pass = 0; pass < 2 && taken.size() < k; ++pass) {
    for (size_t i : order) {
      if (taken.size() == k) break;
      if (std::find(taken.begin(), taken.end(), i) != taken.end()) continue;
      // First pass: strained frames apart from the ones taken; second: whatever is left.
      if (pass == 0) {
        if (!(rows[i].skin.strain.Mean() > 0)) continue;
        bool near = false;
        for (size_t t : taken) near = near || (i > t ? i - t : t - i) < spacing;
        if (near) continue;
      }
      taken.push_back(i);
    }
  }
  std::sort(taken.begin(), taken.end());
  std::vector<int32_t> frames;
  for (size_t i : taken) frames.push_back(rows[i].frame);
  return frames;
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
    s.detail = std::make_unique<DetailMeasure>(mesh.Points().size(), s.edges);
    s.rest_detail = s.detail->Total(mesh.Points());
    const int64_t crossings = CountSelfIntersections(mesh.Points(), mesh.Polygons());
    if (crossings >= 0) {
      outcome->rest_self_intersections = std::max<int64_t>(outcome->rest_self_intersections, 0) + crossings;
    }
    const std::string path = Join(job.out_dir, job.placements[m].stem + "_rest.obj");
    if (!WriteObj(path, Mesh{mesh.Points(), mesh.Polygons()}, error)) return false;
    outcome->rest_files.push_back(path);
  }
  GlbAnimationWriter skin_glb("skin only", job.fps), corrected_glb("corrected", job.fps);
  if (job.write_gltf && !StartGlbFiles(job, &skin_glb, &corrected_glb, error)) return false;

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

  std::vector<StoredFrame> stored;
  std::vector<std::vector<C4D_Vector>> skin, corrected;
  const double nan = std::numeric_limits<double>::quiet_NaN();
  for (int32_t frame : job.frames) {
    SetDeformers(job.placements, true);
    if (!EvaluateMeshes(evaluator, frame, job.placements, "corrected", &corrected, error)) return false;
    View overlay;
    if (job.picture.draw_overlays) CollectPluginDrawing(doc, &overlay);
    SetDeformers(job.placements, false);
    const bool skin_ok = EvaluateMeshes(evaluator, frame, job.placements, "skin only", &skin, error);
    SetDeformers(job.placements, true);
    if (!skin_ok) return false;

    FrameReport row;
    row.frame = frame;
    row.time = job.fps > 0 ? frame / job.fps : 0.0;
    double rest_volume = 0, skin_volume = 0, corrected_volume = 0;
    double rest_detail = 0, skin_detail = 0, corrected_detail = 0;
    StoredFrame sf;
    sf.frame = frame;
    for (size_t m = 0; m < job.placements.size(); ++m) {
      const TavrenPlacement& p = job.placements[m];
      const std::vector<C4D_Vector>& rest = p.mesh->Points();
      const std::vector<C4D_CPolygon>& polygons = p.mesh->Polygons();
      row.skin.strain.Add(MeasureEdgeChange(rest, skin[m], states[m].edges));
      row.corrected.strain.Add(MeasureEdgeChange(rest, corrected[m], states[m].edges));
      if (states[m].closed) {
        rest_volume += states[m].rest_volume;
        skin_volume += SignedVolume(skin[m], polygons);
        corrected_volume += SignedVolume(corrected[m], polygons);
      }
      rest_detail += states[m].rest_detail;
      skin_detail += states[m].detail->Total(skin[m]);
      corrected_detail += states[m].detail->Total(corrected[m]);
      const int64_t skin_crossings = CountSelfIntersections(skin[m], polygons);
      const int64_t corrected_crossings = CountSelfIntersections(corrected[m], polygons);
      if (skin_crossings >= 0 && corrected_crossings >= 0) {
        row.skin.self_intersections = std::max<int64_t>(row.skin.self_intersections, 0) + skin_crossings;
        row.corrected.self_intersections = std::max<int64_t>(row.corrected.self_intersections, 0) + corrected_crossings;
      }
      const std::string skin_path = Join(job.out_dir, FrameFile(p.stem, "skin", frame));
      const std::string corrected_path = Join(job.out_dir, FrameFile(p.stem, "corrected", frame));
      if (!WriteObj(skin_path, Mesh{skin[m], polygons}, error) ||
          !WriteObj(corrected_path, Mesh{corrected[m], polygons}, error)) {
        return false;
      }
      outcome->mesh_files += 2;

      sf.skin_strain.push_back(FaceStrains(rest, skin[m], polygons));
      sf.skin_colors.push_back(StrainColors(sf.skin_strain.back()));
      sf.corrected_colors.push_back(StrainColors(FaceStrains(rest, corrected[m], polygons)));
      sf.skin.push_back(ToGlobal(*p.mesh, skin[m]));
      sf.corrected.push_back(ToGlobal(*p.mesh, corrected[m]));
      if (!caches.empty() && !caches[m]->WriteFrame(static_cast<int32_t>(outcome->rows.size()), corrected[m], error))
        return false;
    }
    if (job.write_gltf &&
        (!skin_glb.AddFrame(frame, skin, error) || !corrected_glb.AddFrame(frame, corrected, error))) {
      return false;
    }
    row.skin.strain.changes = std::vector<double>();
    row.corrected.strain.changes = std::vector<double>();
    const bool measured = outcome->closed_meshes > 0 && rest_volume != 0;
    row.skin.volume_ratio = measured ? skin_volume / rest_volume : nan;
    row.corrected.volume_ratio = measured ? corrected_volume / rest_volume : nan;
    row.skin.detail_kept = rest_detail > 0 ? skin_detail / rest_detail : nan;
    row.corrected.detail_kept = rest_detail > 0 ? corrected_detail / rest_detail : nan;
    outcome->rows.push_back(row);
    if (job.on_frame) job.on_frame(row);
    sf.overlay = std::move(overlay);
    stored.push_back(std::move(sf));
  }

  for (const std::unique_ptr<PointCacheWriter>& cache : caches) {
    if (!cache->Finish(error)) return false;
  }
  outcome->report_file = Join(job.out_dir, job.stem + "_report.csv");
  if (!WriteReportCsv(outcome->report_file, outcome->rows, error)) return false;
  if (job.write_gltf) {
    outcome->skin_gltf_file = Join(job.out_dir, job.stem + "_skin.glb");
    outcome->corrected_gltf_file = Join(job.out_dir, job.stem + "_corrected.glb");
    if (!skin_glb.Write(outcome->skin_gltf_file, error) || !corrected_glb.Write(outcome->corrected_gltf_file, error)) {
      return false;
    }
  }
  if (stored.empty()) return true;

  outcome->picture_frames = MostStrainedFrames(outcome->rows, job.picture_rows);
  std::vector<const StoredFrame*> pictured;
  for (int32_t f : outcome->picture_frames) {
    for (const StoredFrame& sf : stored) {
      if (sf.frame == f) pictured.push_back(&sf);
    }
  }
  PictureOptions options = job.picture;
  options.columns = 2;
  options.strain_legend = true;
  options.focus = FocusOnStrain(pictured, job.placements, &options.focus_box);
  std::vector<Panel> panels;
  for (const StoredFrame* sf : pictured) {
    for (Panel& panel : FramePanels(*sf, job.placements)) panels.push_back(std::move(panel));
  }
  outcome->picture_file = Join(job.out_dir, job.stem + "_compare.png");
  if (!WritePanelsPng(outcome->picture_file, panels, options, error)) return false;

  if (!GifSupported()) {
    outcome->animation_note = "no animated GIF: this build was made without giflib";
    return true;
  }
  std::vector<Image> gif_frames;
  for (const StoredFrame& sf : stored) gif_frames.push_back(RenderPanels(FramePanels(sf, job.placements), options));
  const int delay = job.fps > 0 ? std::max(2, static_cast<int>(std::lround(100.0 / job.fps))) : 4;
  outcome->animation_file = Join(job.out_dir, job.stem + "_compare.gif");
  if (!WriteGif(outcome->animation_file, gif_frames, delay, error)) return false;
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
  std::snprintf(line, sizeof line, "Mean edge strain over %d frames: skin only %.4f %%, corrected %.4f %%\n",
                static_cast<int>(s.frames), 100.0 * s.skin_mean, 100.0 * s.corrected_mean);
  out += line;
  std::snprintf(line, sizeof line, "Largest edge strain: skin only %.1f %%, corrected %.1f %%\n", 100.0 * s.skin_max,
                100.0 * s.corrected_max);
  out += line;
  const std::vector<int32_t> worst = MostStrainedFrames(outcome.rows, 1);
  for (const FrameReport& r : outcome.rows) {
    if (worst.empty() || r.frame != worst[0]) continue;
    std::snprintf(line, sizeof line,
                  "Most strained frame %d: strain mean %.2f %% / p95 %.2f %% / max %.1f %% skin only, "
                  "%.2f %% / %.2f %% / %.1f %% corrected; detail kept %.3f skin only, %.3f corrected\n",
                  r.frame, 100.0 * r.skin.strain.Mean(), 100.0 * r.skin.strain.p95, 100.0 * r.skin.strain.max,
                  100.0 * r.corrected.strain.Mean(), 100.0 * r.corrected.strain.p95, 100.0 * r.corrected.strain.max,
                  r.skin.detail_kept, r.corrected.detail_kept);
    out += line;
    if (r.skin.self_intersections >= 0) {
      std::snprintf(line, sizeof line,
                    "Self-intersecting face pairs at frame %d: skin only %lld, corrected %lld (rest pose %lld)\n",
                    r.frame, static_cast<long long>(r.skin.self_intersections),
                    static_cast<long long>(r.corrected.self_intersections),
                    static_cast<long long>(outcome.rest_self_intersections));
    } else {
      std::snprintf(line, sizeof line, "Self-intersections: not measured (this build was made without CGAL)\n");
    }
    out += line;
  }
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
  if (!outcome.skin_gltf_file.empty()) {
    out += "  skin-only glTF animation   " + outcome.skin_gltf_file + "\n";
    out += "  corrected glTF animation   " + outcome.corrected_gltf_file + "\n";
  }
  if (!outcome.picture_file.empty()) {
    std::string frames;
    for (int32_t f : outcome.picture_frames) frames += (frames.empty() ? "" : ", ") + std::to_string(f);
    out += "  picture                    " + outcome.picture_file + " (rows: the most strained frames " + frames +
           "; left skin only, right corrected; faces coloured by edge strain)\n";
  }
  if (!outcome.animation_file.empty()) {
    out += "  animation                  " + outcome.animation_file + " (every frame, as the picture)\n";
  } else if (!outcome.animation_note.empty()) {
    out += "  (" + outcome.animation_note + ")\n";
  }
  return out;
}

}  // namespace hostapp

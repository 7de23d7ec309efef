// Comparing the skin alone with the skin followed by the Tavren deformer: the deformer and
// its bind tag placed on skinned meshes through the plug-in's add command and bound at the
// rest pose, then every frame evaluated twice (deformer on: corrected; its deform state off:
// skin only), measured against the rest mesh and written out as meshes, a report and a
// picture. The plug-in must have been started (Session) before any of this runs.
#ifndef HOSTAPP_APP_COMPARISON_H
#define HOSTAPP_APP_COMPARISON_H

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "hostapp/app/deform_scene.h"
#include "hostapp/app/pictures.h"
#include "hostapp/app/report.h"

namespace hostapp {

class Document;
class Evaluator;
class Object;
class PolygonObject;
class Tag;

// A skinned mesh set up for the comparison.
struct TavrenPlacement {
  PolygonObject* mesh = nullptr;
  Tag* tag = nullptr;          // the bind tag the add command put first on the mesh
  Object* deformer = nullptr;  // the deformer it placed under the mesh
  std::string stem;            // file name stem of the mesh's outputs
};

// Selects exactly the meshes (selection bit), holds shift and runs the add command once, so
// that each mesh gets a bind tag as its first tag and a deformer as its child right after its
// skin deformer; then releases shift and the selection, sets the tags' smoothing iterations
// (when iterations > 0) and presses each tag's bind button, which captures the binding on
// the mesh's rest points and freezes it.
// in: doc, meshes (polygon objects of doc), iterations. out: *out, one placement per mesh
// (stem left empty); false with *error (one line) when the command or a bind failed or a
// mesh lacks its tag or deformer afterwards.
bool PlaceAndBindTavren(Document& doc, const std::vector<PolygonObject*>& meshes, const TagSettings& settings,
                        std::vector<TavrenPlacement>* out, std::string* error);

// in: rows of the report, count >= 1. out: up to count of their frames, in frame order: the
// frames where the skin alone is most strained (highest mean edge strain first), each at least
// rows / (2 count) rows away from the frames already taken so that the picture does not show
// the same pose several times; frames with no strain at all are taken only when nothing else is
// left.
std::vector<int32_t> MostStrainedFrames(const std::vector<FrameReport>& rows, int32_t count);

struct ComparisonJob {
  std::string out_dir;  // an existing folder
  std::string stem;     // names the scene file, the report and the picture
  std::vector<TavrenPlacement> placements;
  std::vector<int32_t> frames;          // evaluated in this order
  double fps = 24.0;                    // a frame's time is frame / fps
  int32_t picture_rows = 3;             // rows of the picture (MostStrainedFrames)
  PictureOptions picture;               // columns are set to 2 (skin only | corrected)
  bool write_gltf = true;               // also <stem>_skin.glb and <stem>_corrected.glb
  // "mdd" or "pc2": the corrected points of every frame also go into one point cache per
  // mesh, <mesh stem>_corrected.<format> (frame numbers from the first frame, MDD times
  // frame / fps); empty: none.
  std::string cache_format;
  // Called after each frame is measured and written (may be empty).
  std::function<void(const FrameReport&)> on_frame;
};

struct ComparisonOutcome {
  std::vector<FrameReport> rows;
  std::string scene_file, report_file, picture_file;
  std::string skin_gltf_file, corrected_gltf_file;  // empty when not written
  std::string animation_file;            // empty when not written
  std::string animation_note;            // why it was not written
  std::vector<int32_t> picture_frames;   // the picture's rows
  int64_t rest_self_intersections = -1;  // of the rest meshes; -1 when not measured
  std::vector<std::string> rest_files;  // one OBJ per mesh
  std::vector<std::string> cache_files;  // one point cache per mesh, when asked for
  int32_t mesh_files = 0;               // OBJs written per frame, all frames
  int32_t closed_meshes = 0;            // meshes whose volume is measured
};

// Saves the document (before any frame, with its frozen bindings) as <stem>.tvs, writes
// each mesh's rest points as <mesh stem>_rest.obj, then for every frame evaluates the
// document twice (all placed deformers on, then off), writes <mesh stem>_skin_NNNN.obj and
// <mesh stem>_corrected_NNNN.obj (NNNN the frame number, at least 4 digits), and measures both
// against the rest mesh; finally writes <stem>_report.csv, <stem>_compare.png (rows: the
// frames where the skin alone is most strained; each face coloured by its edge strain on the
// shared scale, the camera close on the most strained faces), <stem>_compare.gif (the same
// comparison over every frame; left out, with a note, when the build writes no GIF) and, when
// job.write_gltf, both animations as <stem>_skin.glb and <stem>_corrected.glb (all meshes, one
// morph target per frame; see GlbAnimationWriter). Every file is written atomically. Meshes
// are written in the space of their objects.
// in: evaluator (its document holds the placements), job. out: *outcome; false with *error
// (one line, naming the frame or the file) when an evaluation reports a problem, a deformed
// point is not finite, or a file cannot be written. Files written before stay.
bool RunComparison(Evaluator& evaluator, const ComparisonJob& job, ComparisonOutcome* outcome, std::string* error);

// in: dir. out: true when dir is a folder, created with its parents when missing; false
// with *error naming it when it is something else or cannot be created.
bool PrepareOutputFolder(const std::string& dir, std::string* error);

// in: job, outcome. out: the closing text for the console: the averages over the frames
// (mean edge change and the volume ratio furthest from 1, skin only and corrected), then
// where every output is. Each line ends with a line break.
std::string DescribeOutcome(const ComparisonJob& job, const ComparisonOutcome& outcome);

}  // namespace hostapp

#endif  // HOSTAPP_APP_COMPARISON_H

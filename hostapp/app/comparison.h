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

#include "hostapp/app/pictures.h"
#include "hostapp/app/report.h"

namespace hostapp {

class Document;
class Evaluator;
class Object;
class PolygonObject;
class Tag;

// Parameter ids of the bind tag and its bind button.
constexpr int32_t kTavrenTagBind = 1000;
constexpr int32_t kTavrenTagIterations = 1004;

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
bool PlaceAndBindTavren(Document& doc, const std::vector<PolygonObject*>& meshes, int32_t iterations,
                        std::vector<TavrenPlacement>* out, std::string* error);

// in: frames in order, count >= 1. out: up to count of them, evenly spread over the range and
// ending with the last; the first frame is left out when there are more than count frames.
std::vector<int32_t> PictureFrames(const std::vector<int32_t>& frames, int32_t count);

struct ComparisonJob {
  std::string out_dir;  // an existing folder
  std::string stem;     // names the scene file, the report and the picture
  std::vector<TavrenPlacement> placements;
  std::vector<int32_t> frames;          // evaluated in this order
  double fps = 24.0;                    // a frame's time is frame / fps
  std::vector<int32_t> picture_frames;  // among frames: one row of the picture each
  PictureOptions picture;               // columns are set to 2 (skin only | corrected)
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
  std::vector<std::string> rest_files;  // one OBJ per mesh
  std::vector<std::string> cache_files;  // one point cache per mesh, when asked for
  int32_t mesh_files = 0;               // OBJs written per frame, all frames
  int32_t closed_meshes = 0;            // meshes whose volume is measured
};

// Saves the document (before any frame, with its frozen bindings) as <stem>.tvs, writes
// each mesh's rest points as <mesh stem>_rest.obj, then for every frame evaluates the
// document twice (all placed deformers on, then off), writes <mesh stem>_skin_NNNN.obj and
// <mesh stem>_corrected_NNNN.obj (NNNN the frame number, at least 4 digits), and measures both
// against the rest mesh; finally writes <stem>_report.csv and <stem>_compare.png. Every file
// is written atomically. Meshes are written in the space of their objects.
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

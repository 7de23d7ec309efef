// The binding engine: neighbour lists and border flags of a mesh, the smoothing workers,
// the per-point frames, and the controller thread that runs them and hands one frame record
// per point to its caller. Bind and deform both go through TavrenController, so the order of
// every sum and product here fixes the meaning of a stored binding.
#ifndef TAVRENTHREADS_H
#define TAVRENTHREADS_H

#include "c4d.h"
#include "ttavrenres.h"

// The smoothing modes of the bind tag, by the values of its TTAVREN_SMOOTHTYPE cycle. A stored
// value outside the cycle is kept as it is: the kernel then leaves every point in place.
enum class SmoothMode : Int32 {
  Uniform = TTAVREN_SMOOTHTYPE_UNIFORM,    // plain average of the neighbours
  Distance = TTAVREN_SMOOTHTYPE_DISTANCE,  // average weighted by edge length
};

// The bind tag's smoothing settings. The capture and the deformation pass both fill them
// through ReadBindSettings, so a binding and the passes that apply it always agree.
struct BindSettings {
  Int32 iterations = 0;
  SmoothMode mode = SmoothMode::Distance;
  Bool pinBorders = false;  // points on open edges keep their place
  // The step is kept rounded to a 32-bit float: stored bindings were captured with that
  // rounding, so widening it would move every bound point.
  Float32 step = 0.0f;
  BaseTag* weightTag = nullptr;  // the linked vertex map, null when none
  Bool useWeights = false;       // weightTag is set and its switch is on
};

// Neighbour lists: one growable list of point indices per point.
using NeighborLists = BaseArray<BaseArray<Int32>>;

// Fills the neighbour lists and border flags from the adjacency.
// In:  adjacency built on polygons; polygons[0..polygonCount-1].
// Out: neighbors[p] gets, for every edge of p in order of first meeting (polygon index, then
//      side), the other endpoint; borders[p] = 1 when p ends an edge with no polygon across.
//      Both must already hold pointCount entries (empty lists, zero flags).
// false: an entry could not be appended (out of memory); the lists are then incomplete and
// must not be smoothed with.
Bool BuildNeighborLists(const Neighbor& adjacency, const CPolygon* polygons, Int32 polygonCount,
                        NeighborLists& neighbors, BaseArray<Int32>& borders);

// One smoothing worker: relaxes points [start, start + count) of src into dst.
class TavrenLaplacian : public C4DThread {
 public:
  ~TavrenLaplacian() override = default;
  void Main() override;
  const Char* GetThreadName() override { return "Tavren_laplacian"; }

  // Stores every argument and sets current to start. The worker keeps pointers to the
  // element storage of the neighbour lists and border flags; it owns none of the buffers.
  void Init(Int32 t_start, Int32 t_count, Vector* t_dst, Vector* t_src, NeighborLists& t_neighbors,
            BaseArray<Int32>& t_borders, const BindSettings& t_settings);
  // Exchanges dst and src (called before every iteration, the first included).
  void SwapBuffers();

  Vector* dst = nullptr;
  Vector* src = nullptr;
  BaseArray<Int32>* neighbors = nullptr;
  Int32* borders = nullptr;
  Int32 start = 0;
  Int32 count = 0;
  Int32 current = 0;
  BindSettings settings;
};

// The range of worker `index` of `workers` over pointCount points: every worker gets
// floor(pointCount / workers) points, the last one the remainder too.
void LaplacianRange(Int32 pointCount, Int32 workers, Int32 index, Int32* start, Int32* count);

// If u has a non-zero length, multiplies it by 1/length (reciprocal first); else leaves it.
void NormalizeOrKeep(Vector& u);

// Unit normal of one polygon from the origins of its corners' frame records; zero when the
// polygon has no area. Quad: (b - d) x (c - a); triangle: (b - a) x (c - a).
Vector PolygonNormal(const Matrix* frames, const CPolygon& polygon);

// Fills the axes v1 (X), v2 (Y), v3 (Z, normal) of every frame record from the origins,
// which must hold the smoothed points. Axes that cannot be formed stay as they are (zero in
// a fresh table). false: the temporary polygon normals could not be allocated (no axis written).
Bool BuildPointFrames(Matrix* frames, const CPolygon* polygons, Int32 polygonCount, Int32 pointCount,
                      const Neighbor& adjacency);

// The engine's entry: copies the object's points, smooths them `iterations` times on a group
// of workers, builds a frame per point and copies pointCount frame records into output.
class TavrenController : public C4DThread {
 public:
  ~TavrenController() override = default;
  void Main() override;
  const Char* GetThreadName() override { return "Tavren Controller"; }

  // false (nothing stored) when op is not a polygon object; otherwise stores the arguments and
  // the object's point and polygon counts.
  Bool Init(BaseObject* t_op, Matrix* t_output, const BindSettings& t_settings);

  // true once a run has built the frames (and copied them when output is set); readable
  // after the thread has ended. A run that gave up leaves it false and output untouched.
  Bool Succeeded() const { return succeeded; }

  BaseObject* op = nullptr;
  Matrix* output = nullptr;
  BindSettings settings;
  Int32 pointCount = 0;
  Int32 polygonCount = 0;

 private:
  Bool succeeded = false;
};

// Runs a controller on its own thread and blocks until it has ended. false: it could not be
// started or its run gave up.
Bool RunController(TavrenController& controller);

#endif

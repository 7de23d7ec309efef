// The host side of the benchmarks: the host's tables attached in this process, the bind
// tag and the deformer registered from the plug-in's own classes, and the scenes that the
// capture and deformation benchmarks run on.
#ifndef BENCH_HOST_SCENE_H
#define BENCH_HOST_SCENE_H

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "c4d.h"
#include "grid.h"
#include "hostapp/scene/document.h"
#include "ttavren.h"

namespace hostapp {
class WorkingCopy;
}

namespace bench {

// Attaches the host's tables and registers the bind tag (1035496) and the deformer
// (1035447) once per process. out: "" when ready, else what failed.
const std::string& HostSetupError();

// Worker count the host offers from now on (SetProcessorCountForTesting).
void SetHostWorkers(int32_t workers);

// The plug-in's data behind a bind tag.
TTavren* BindingOf(hostapp::Tag* tag);

// Plug-in views of host nodes.
inline BaseObject* AsBaseObject(hostapp::Object* op) { return BaseObject::From(static_cast<C4D_Node*>(op)); }
inline BaseTag* AsBaseTag(hostapp::Tag* tag) { return BaseTag::From(static_cast<C4D_Node*>(tag)); }

// A document holding the grid as a polygon object with a bind tag.
struct BoundMesh {
  std::unique_ptr<hostapp::Document> doc;
  hostapp::PolygonObject* object = nullptr;  // owned by doc
  hostapp::Tag* tag = nullptr;               // owned by object
};

// in: grid, the tag's iterations and smoothing mode. out: the scene with its tag set up (not
// captured); null objects when the tag could not be made.
BoundMesh MakeBoundMesh(const GridMesh& grid, int32_t iterations, int32_t mode);

// The deformation pass's set-up: a bound mesh captured at rest, a deformer beside it and a
// working copy of the mesh (its tag's origin is the scene tag), as the host's evaluation
// makes them. Modify() restores the copy's points to the grid's posed points and runs the
// deformer's ModifyObject on it.
class DeformScene {
 public:
  // in: grid, iterations and mode of the tag. Check Error() afterwards.
  DeformScene(const GridMesh& grid, int32_t iterations, int32_t mode);
  ~DeformScene();
  DeformScene(const DeformScene&) = delete;
  DeformScene& operator=(const DeformScene&) = delete;

  // "" when the scene is ready, else what failed.
  const std::string& Error() const { return error_; }
  // The copy's points back to the posed input.
  void ResetInput();
  // One call of the deformer's modify hook on the copy. out: the hook's answer.
  bool Modify();
  // The copy's points (the result after Modify()).
  const std::vector<C4D_Vector>& Points() const;
  // The binding's offsets (one per point).
  const BaseArray<Vector>& Offsets() const;

 private:
  const GridMesh& grid_;
  BoundMesh mesh_;
  hostapp::Object* deformer_ = nullptr;  // owned by the document
  std::unique_ptr<hostapp::WorkingCopy> copy_;
  std::string error_;
};

}  // namespace bench

#endif

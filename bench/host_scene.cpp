#include "host_scene.h"

#include "hostapp/app/tables.h"
#include "hostapp/eval/working_copy.h"
#include "hostapp/scene/node_types.h"
#include "hostapp/scene/registry.h"
#include "hostapp/services/threads.h"
#include "otavren.h"

namespace bench {

const std::string& HostSetupError() {
  static const std::string error = []() -> std::string {
    if (!AttachHostTables(hostapp::HostTables())) return "the host's tables could not be attached";
    // No resources in this process: names and descriptions stay empty.
    const String none("");
    if (!RegisterTagPlugin(ID_TTAVREN, none, TAG_VISIBLE | TAG_MULTIPLE | TAG_EXPRESSION, TTavren::Alloc, none,
                           nullptr, 0))
      return "the bind tag could not be registered";
    if (!RegisterObjectPlugin(ID_OTAVREN, none, OBJECT_MODIFIER | OBJECT_CALL_ADDEXECUTION, OTavren::Alloc, none,
                              nullptr, 0))
      return "the deformer could not be registered";
    return std::string();
  }();
  return error;
}

void SetHostWorkers(int32_t workers) { hostapp::SetProcessorCountForTesting(workers); }

TTavren* BindingOf(hostapp::Tag* tag) {
  return tag ? static_cast<TTavren*>(static_cast<BaseData*>(tag->Instance())) : nullptr;
}

BoundMesh MakeBoundMesh(const GridMesh& grid, int32_t iterations, int32_t mode) {
  BoundMesh m;
  m.doc = std::make_unique<hostapp::Document>();
  auto op = std::make_unique<hostapp::PolygonObject>();
  op->Points() = grid.points;
  op->Polygons() = grid.polygons;
  m.object = op.get();
  m.doc->AppendObject(std::move(op));
  std::unique_ptr<hostapp::Tag> tag = hostapp::NodeTypes::Global().CreateTag(ID_TTAVREN);
  if (!tag) return m;
  tag->Data().SetInt32(TTAVREN_ITERATIONS, iterations);
  tag->Data().SetInt32(TTAVREN_SMOOTHTYPE, mode);
  m.tag = tag.release();
  m.object->InsertTag(m.tag, nullptr);
  return m;
}

DeformScene::DeformScene(const GridMesh& grid, int32_t iterations, int32_t mode) : grid_(grid) {
  mesh_ = MakeBoundMesh(grid, iterations, mode);
  if (!mesh_.tag) {
    error_ = "no bind tag";
    return;
  }
  if (!CaptureBinding(AsBaseObject(mesh_.object), AsBaseTag(mesh_.tag))) {
    error_ = "the rest pose could not be captured";
    return;
  }
  BindingOf(mesh_.tag)->bound = true;
  std::unique_ptr<hostapp::Object> deformer = hostapp::NodeTypes::Global().CreateObject(ID_OTAVREN);
  if (!deformer) {
    error_ = "no deformer";
    return;
  }
  deformer_ = mesh_.doc->AppendObject(std::move(deformer));
  // The host executes the deformer before the pass (the falloff takes the document's state).
  const hostapp::PluginInfo* plugin = deformer_->Plugin();
  if (plugin->object.execute(deformer_->Instance(), deformer_, mesh_.doc.get(), nullptr, 0, 0) !=
      C4D_EXECUTIONRESULT_OK) {
    error_ = "the deformer's execute failed";
    return;
  }
  copy_ = std::make_unique<hostapp::WorkingCopy>(*mesh_.object);
  if (!copy_->Polygon()) error_ = "no working copy";
}

DeformScene::~DeformScene() = default;

void DeformScene::ResetInput() { copy_->Polygon()->Points() = grid_.posed; }

bool DeformScene::Modify() {
  hostapp::PolygonObject* op = copy_->Polygon();
  const C4D_Matrix op_mg = op->Mg();
  const C4D_Matrix mod_mg = deformer_->Mg();
  return deformer_->Plugin()->object.modify_object(deformer_->Instance(), deformer_, mesh_.doc.get(), op, &op_mg,
                                                   &mod_mg, 1.0, 0, nullptr);
}

const std::vector<C4D_Vector>& DeformScene::Points() const { return copy_->Polygon()->Points(); }

const BaseArray<Vector>& DeformScene::Offsets() const { return BindingOf(mesh_.tag)->offsets; }

}  // namespace bench

#include "hostapp/app/deform_scene.h"

#include <cmath>

#include "hostapp/app/session.h"
#include "hostapp/eval/builtins.h"
#include "hostapp/eval/evaluate.h"
#include "hostapp/eval/point_cache.h"
#include "hostapp/scene/document.h"
#include "hostapp/scene/hyperfile.h"
#include "hostapp/scene/object.h"
#include "hostapp/scene/tag.h"
#include "hostapp/services/memory.h"

namespace hostapp {
namespace {

// in: op. out: its first direct child of type; null when none.
Object* ChildOfType(const Object& op, int32_t type) {
  for (Object* c = op.Down(); c; c = c->Next())
    if (c->Type() == type) return c;
  return nullptr;
}

// in: a, b. out: true when both polygons name the same corners in the same order.
bool SamePolygon(const C4D_CPolygon& a, const C4D_CPolygon& b) {
  return a.a == b.a && a.b == b.b && a.c == b.c && a.d == b.d;
}

}  // namespace

BindState ReadBindState(const Tag& tag) {
  BindState state;
  const C4D_NodeHooks* hooks = tag.Hooks();
  if (tag.Type() != ID_TTAVREN || !hooks || !hooks->write || !tag.Instance()) return state;
  std::vector<uint8_t> bytes;
  HyperFile out(&bytes);
  if (!hooks->write(tag.Instance(), const_cast<Tag*>(&tag), &out)) return state;
  HyperFile in(bytes.data(), bytes.size());
  bool frozen = false;
  if (!in.ReadBool(&frozen) || !frozen) return state;
  int32_t count = 0;
  if (!in.ReadInt32(&count) || count < 0) return state;
  state.frozen = true;
  state.offsets = count;
  for (int32_t i = 0; i < count && state.not_finite < 0; ++i) {
    C4D_Vector v{};
    if (!in.ReadVector(&v)) break;
    if (!std::isfinite(v.x) || !std::isfinite(v.y) || !std::isfinite(v.z)) state.not_finite = i;
  }
  return state;
}

std::string BindingFault(const Document& doc, const std::string& source) {
  for (Object* op : doc.AllObjects()) {
    for (Tag* tag = op->FirstTag(); tag; tag = tag->Next()) {
      if (tag->Type() != ID_TTAVREN) continue;
      const BindState state = ReadBindState(*tag);
      if (!state.frozen) continue;
      const std::string who = "the bind tag '" + tag->Name() + "' on '" + op->Name() + "'";
      const auto* mesh = ToPolygonObject(op);
      const size_t points = mesh ? mesh->Points().size() : 0;
      if (static_cast<size_t>(state.offsets) != points) {
        return source + ": " + who + " holds a binding of " + std::to_string(state.offsets) + " points, but " +
               (mesh ? "the mesh has " + std::to_string(points) : std::string("it is not on a polygon object")) +
               " (the binding belongs to another mesh; bind again)";
      }
      if (state.not_finite >= 0) {
        return source + ": " + who + " holds offset " + std::to_string(state.not_finite) +
               ", which is not finite (the binding is damaged; bind again)";
      }
    }
  }
  return {};
}

void ApplyTagSettings(Tag& tag, const TagSettings& settings) {
  Container& data = tag.Data();
  data.SetInt32(TTAVREN_ITERATIONS, settings.iterations);
  data.SetInt32(TTAVREN_SMOOTHTYPE, settings.mode);
  data.SetBool(TTAVREN_PINBORDER, settings.pin_border);
  data.SetFloat(TTAVREN_STEP, settings.step);
  data.SetBool(TTAVREN_SMOOTHONLY, settings.smooth_only);
}

DeformScene::~DeformScene() = default;

std::unique_ptr<DeformScene> DeformScene::Build(const Mesh& rest, const TagSettings& settings, const std::string& name,
                                                std::string* error) {
  if (!settings.weights.empty() && settings.weights.size() != rest.points.size()) {
    *error = std::to_string(settings.weights.size()) + " weights given for a mesh of " +
             std::to_string(rest.points.size()) + " points";
    return nullptr;
  }
  RegisterBuiltinDeformers();
  std::unique_ptr<DeformScene> scene(new DeformScene());
  scene->doc_ = std::make_unique<Document>();

  auto mesh = std::make_unique<PolygonObject>();
  mesh->SetName(name);
  mesh->Points() = rest.points;
  mesh->Polygons() = rest.polygons;
  scene->mesh_ = static_cast<PolygonObject*>(scene->doc_->AppendObject(std::move(mesh)));

  std::unique_ptr<Tag> tag = Session::NewTag(ID_TTAVREN);
  if (!tag) {
    *error = "the plug-in could not create its bind tag";
    return nullptr;
  }
  ApplyTagSettings(*tag, settings);
  scene->tag_ = tag.release();
  scene->mesh_->InsertTag(scene->tag_, nullptr);

  if (!settings.weights.empty()) {
    auto map = std::make_unique<VertexMapTag>();
    map->SetName("Weights");
    map->Weights() = settings.weights;
    VertexMapTag* raw = map.release();
    scene->mesh_->InsertTag(raw, scene->tag_);
    scene->tag_->Data().SetLink(TTAVREN_VERTEXMAP, raw);
    scene->tag_->Data().SetBool(TTAVREN_USEVERTEXMAP, true);
  }

  std::unique_ptr<Object> deformer = Session::NewObject(ID_OTAVREN);
  if (!deformer) {
    *error = "the plug-in could not create its deformer";
    return nullptr;
  }
  deformer->InsertUnderLast(scene->mesh_);
  scene->deformer_ = deformer.release();
  return scene;
}

std::unique_ptr<DeformScene> DeformScene::Adopt(std::unique_ptr<Document> doc, const std::string& source,
                                                std::string* error) {
  RegisterBuiltinDeformers();
  *error = BindingFault(*doc, source);
  if (!error->empty()) return nullptr;
  for (Object* op : doc->AllObjects()) {
    auto* mesh = ToPolygonObject(op);
    Tag* tag = mesh ? mesh->FindTag(ID_TTAVREN) : nullptr;
    Object* deformer = mesh ? ChildOfType(*mesh, ID_OTAVREN) : nullptr;
    if (!tag || !deformer) continue;
    std::unique_ptr<DeformScene> scene(new DeformScene());
    scene->doc_ = std::move(doc);
    scene->mesh_ = mesh;
    scene->tag_ = tag;
    scene->deformer_ = deformer;
    scene->cache_ = dynamic_cast<PointCacheObject*>(ChildOfType(*mesh, C4D_OPOINTCACHE));
    return scene;
  }
  *error = source + ": no polygon object with a Tavren bind tag and a Tavren deformer under it";
  return nullptr;
}

bool DeformScene::Bind(std::string* error) {
  const int64_t failed_before = FailedAllocationCount();
  if (Session::PressButton(tag_, TTAVREN_BIND)) return true;
  if (FailedAllocationCount() != failed_before) {
    *error = "out of memory while binding the " + std::to_string(mesh_->Points().size()) + " points of " +
             mesh_->Name();
  } else {
    *error = "the bind tag could not capture a binding on " + mesh_->Name();
  }
  return false;
}

bool DeformScene::SetPose(const Mesh& posed, const std::string& source, std::string* error) {
  const size_t n = mesh_->Points().size();
  if (posed.points.size() != n) return SetPosePoints(posed.points, source, error);
  const std::vector<C4D_CPolygon>& polys = mesh_->Polygons();
  if (posed.polygons.size() != polys.size()) {
    *error = source + ": " + std::to_string(posed.polygons.size()) + " faces, but the rest mesh has " +
             std::to_string(polys.size());
    return false;
  }
  for (size_t i = 0; i < polys.size(); ++i) {
    if (!SamePolygon(posed.polygons[i], polys[i])) {
      *error = source + ": face " + std::to_string(i + 1) + " joins other points than in the rest mesh";
      return false;
    }
  }
  return SetPosePoints(posed.points, source, error);
}

bool DeformScene::SetPosePoints(const std::vector<C4D_Vector>& points, const std::string& source,
                                std::string* error) {
  const size_t n = mesh_->Points().size();
  if (points.size() != n) {
    *error = source + ": " + std::to_string(points.size()) + " points, but the rest mesh has " + std::to_string(n);
    return false;
  }
  if (!cache_) {
    std::unique_ptr<PointCacheObject> cache = NewPointCache();
    cache_ = cache.get();
    // The cache runs first: it sits before the deformer among the mesh's children.
    cache.release()->InsertBefore(deformer_);
  }
  cache_->Points() = points;
  return true;
}

bool DeformScene::Evaluate(std::vector<C4D_Vector>* points, std::string* error) {
  EvaluationResult result = Evaluator(*doc_).Evaluate(0.0);
  for (const EvaluationIssue& issue : result.issues) {
    if (issue.object != mesh_ && issue.node != tag_) continue;
    *error = issue.message;
    return false;
  }
  const std::vector<C4D_Vector>* deformed = result.Points(*mesh_);
  if (!deformed) {
    *error = "the evaluation gave no points for " + mesh_->Name();
    return false;
  }
  *points = *deformed;
  return true;
}

Mesh DeformScene::RestMesh() const {
  Mesh m;
  m.points = mesh_->Points();
  m.polygons = mesh_->Polygons();
  return m;
}

BindState DeformScene::State() const { return ReadBindState(*tag_); }

}  // namespace hostapp

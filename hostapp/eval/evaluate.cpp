#include "hostapp/eval/evaluate.h"

#include <algorithm>

#include "hostapp/eval/builtins.h"
#include "hostapp/eval/deformer_order.h"
#include "hostapp/eval/point_cache.h"
#include "hostapp/eval/skin.h"
#include "hostapp/eval/working_copy.h"
#include "hostapp/scene/document.h"
#include "hostapp/scene/lists.h"
#include "hostapp/scene/registry.h"

namespace hostapp {

namespace {

void Report(EvaluationResult* result, IssueKind kind, const Node* node, const Object* object, std::string message) {
  result->issues.push_back(EvaluationIssue{kind, node, object, std::move(message)});
}

std::string Quoted(const Node& n) { return "'" + n.Name() + "'"; }

// Step 2: the expression tags of every object, in hierarchy and tag order.
void RunExpressionTags(Document& doc, EvaluationResult* result) {
  for (Object* op : doc.AllObjects()) {
    for (Tag* tag : op->Tags()) {
      const PluginInfo* plugin = tag->Plugin();
      if (!plugin || plugin->kind != PluginKind::kTag || !tag->Instance()) continue;
      if ((plugin->info & C4D_TAG_EXPRESSION) == 0 || !plugin->tag.execute) continue;
      if (tag->Data().GetInt32(kTagEnableId, 1) == 0) continue;
      const int32_t r = plugin->tag.execute(tag->Instance(), tag, &doc, op, nullptr, kExpressionPriority, 0);
      ++result->expressions_run;
      if (r != C4D_EXECUTIONRESULT_OK) {
        Report(result, IssueKind::kTagExecute, tag, op,
               "tag " + Quoted(*tag) + " on " + Quoted(*op) + ": execute returned " + std::to_string(r));
      }
    }
  }
}

// Step 3: dirty checks, the priority list, and one execute per entry.
void RunObjectExecution(Document& doc, EvaluationResult* result) {
  PriorityList list;
  for (Object* op : doc.AllObjects()) {
    const PluginInfo* plugin = op->Plugin();
    if (!plugin || plugin->kind != PluginKind::kObject || !op->Instance()) continue;
    const C4D_ObjectHooks& hooks = plugin->object;
    if (IsDeformer(*op) && hooks.check_dirty) hooks.check_dirty(op->Instance(), op, &doc);
    if ((plugin->info & C4D_OBJECT_CALL_ADDEXECUTION) != 0 && hooks.add_to_execution) {
      hooks.add_to_execution(op->Instance(), op, &list);
    }
  }
  for (const PriorityList::Entry& e : list.Sorted()) {
    Object* op = ToObject(e.node);
    const PluginInfo* plugin = op ? op->Plugin() : nullptr;
    if (!plugin || plugin->kind != PluginKind::kObject || !op->Instance() || !plugin->object.execute) continue;
    if (op->GetDocument() != &doc) continue;  // only objects of this scene take part
    const int32_t r = plugin->object.execute(op->Instance(), op, &doc, nullptr, e.priority, e.flags);
    ++result->executes_run;
    if (r != C4D_EXECUTIONRESULT_OK) {
      Report(result, IssueKind::kExecute, op, nullptr,
             "object " + Quoted(*op) + ": execute at priority " + std::to_string(e.priority) + " returned " +
                 std::to_string(r));
    }
  }
}

// One deformer on a working copy of `source`.
void RunDeformer(Document& doc, Object& deformer, const PolygonObject& source, PolygonObject& copy,
                 EvaluationResult* result) {
  const C4D_Matrix op_mg = copy.Mg();
  if (const PluginInfo* plugin = deformer.Plugin()) {
    if (!plugin->object.modify_object || !deformer.Instance()) return;
    const C4D_Matrix mod_mg = deformer.Mg();
    const uint32_t dirty = copy.DirtyCount();
    const bool ok = plugin->object.modify_object(deformer.Instance(), &deformer, &doc, &copy, &op_mg, &mod_mg, 1.0,
                                                 0, nullptr);
    ++result->modify_calls;
    result->working_copy_updates += static_cast<int32_t>(copy.DirtyCount() - dirty);
    if (!ok) {
      Report(result, IssueKind::kModifyFailed, &deformer, &source,
             "deformer " + Quoted(deformer) + " failed on " + Quoted(source));
    }
  } else if (deformer.Type() == C4D_OSKIN) {
    switch (ApplySkin(copy, op_mg)) {
      case SkinResult::kDone:
        break;
      case SkinResult::kNoWeightTag:
        Report(result, IssueKind::kSkinSkipped, &deformer, &source,
               "skin " + Quoted(deformer) + ": " + Quoted(source) + " has no weight tag");
        break;
      case SkinResult::kPointCountMismatch:
        Report(result, IssueKind::kSkinSkipped, &deformer, &source,
               "skin " + Quoted(deformer) + ": the weight tag of " + Quoted(source) + " was made for another point count");
        break;
    }
  } else if (deformer.Type() == C4D_OPOINTCACHE) {
    if (!ApplyPointCache(deformer, copy)) {
      Report(result, IssueKind::kPointCacheMismatch, &deformer, &source,
             "point cache " + Quoted(deformer) + " does not hold the " + std::to_string(copy.Points().size()) +
                 " points of " + Quoted(source));
    }
  }
}

// Step 4 for one polygon object.
void DeformObject(Document& doc, PolygonObject& op, EvaluationResult* result) {
  std::vector<Object*> deformers = DeformersOf(op);
  deformers.erase(std::remove_if(deformers.begin(), deformers.end(),
                                 [](const Object* d) { return !d->GetState(C4D_OBJECT_DEFORM); }),
                  deformers.end());
  std::vector<C4D_Vector>& out = result->points[&op];
  if (deformers.empty()) {
    out = op.Points();
    return;
  }
  WorkingCopy wc(op);
  PolygonObject* copy = wc.Polygon();
  if (!copy) {
    Report(result, IssueKind::kWorkingCopyFailed, &op, &op, "no working copy of " + Quoted(op) + " could be made");
    out = op.Points();
    return;
  }
  for (Object* d : deformers) RunDeformer(doc, *d, op, *copy, result);
  out = copy->Points();
}

}  // namespace

const std::vector<C4D_Vector>* EvaluationResult::Points(const Object& op) const {
  auto it = points.find(&op);
  return it == points.end() ? nullptr : &it->second;
}

size_t EvaluationResult::Count(IssueKind kind) const {
  return static_cast<size_t>(
      std::count_if(issues.begin(), issues.end(), [&](const EvaluationIssue& i) { return i.kind == kind; }));
}

EvaluationResult Evaluate(Document& doc, double frame, const Animation* animation) {
  RegisterBuiltinDeformers();
  EvaluationResult result;
  result.frame = frame;
  if (animation) animation->Apply(frame);
  RunExpressionTags(doc, &result);
  RunObjectExecution(doc, &result);
  for (Object* op : doc.AllObjects()) {
    if (PolygonObject* poly = ToPolygonObject(op)) DeformObject(doc, *poly, &result);
  }
  return result;
}

Evaluator::Evaluator(Document& doc) : doc_(doc) { RegisterBuiltinDeformers(); }

EvaluationResult Evaluator::Evaluate(double frame) { return hostapp::Evaluate(doc_, frame, &animation_); }

}  // namespace hostapp

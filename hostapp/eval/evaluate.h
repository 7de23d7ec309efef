// Evaluation of a document at a frame: animate, execute expression tags, execute the
// deformers at the priorities they asked for, then give every polygon object its deformed
// points, computed on a working copy passed through the deformers that act on it. The
// scene's own (rest) points are never changed.
#ifndef HOSTAPP_EVAL_EVALUATE_H
#define HOSTAPP_EVAL_EVALUATE_H

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "host/abi/c4d_abi.h"
#include "hostapp/eval/animation.h"

namespace hostapp {

class Document;
class Node;
class Object;

// The priority that expression tags' execute receives.
constexpr int32_t kExpressionPriority = 3000;

enum class IssueKind {
  kTagExecute,          // an expression tag's execute returned a result other than OK
  kExecute,             // an object's execute returned a result other than OK
  kModifyFailed,        // a plug-in deformer's modify_object returned false
  kWorkingCopyFailed,   // the working copy could not be made: the object keeps its rest points
  kSkinSkipped,         // a skin found no weight tag, or one for another point count
  kPointCacheMismatch,  // a point cache holds another number of points than the object
};

// Something an evaluation step reported; evaluation goes on after each.
struct EvaluationIssue {
  IssueKind kind;
  const Node* node = nullptr;      // the tag or deformer concerned
  const Object* object = nullptr;  // the scene object it ran on; null for an object's execute
  std::string message;             // one line naming both
};

struct EvaluationResult {
  double frame = 0;
  // The deformed points of every polygon object of the document, keyed by the scene object
  // (valid while it lives), in the object's own space. Objects without active deformers
  // get a copy of their rest points.
  std::map<const Object*, std::vector<C4D_Vector>> points;
  std::vector<EvaluationIssue> issues;
  int32_t expressions_run = 0;   // expression tag executes
  int32_t executes_run = 0;      // object executes from the priority list
  int32_t modify_calls = 0;      // plug-in modify_object calls
  int32_t working_copy_updates = 0;  // times deformers marked a working copy dirty (C4D_MSG_UPDATE)

  // in: op. out: its deformed points; null when op was not a polygon object of the document.
  const std::vector<C4D_Vector>* Points(const Object& op) const;
  // out: the number of issues of one kind.
  size_t Count(IssueKind kind) const;
};

// Evaluates doc at frame on the calling (main) thread, in this order:
//  1. animation->Apply(frame) (no animation: the objects keep their frames);
//  2. every expression tag (a registered tag plug-in with C4D_TAG_EXPRESSION whose enable
//     switch kTagEnableId is on), objects in hierarchy order, tags in order: execute(inst,
//     tag, doc, object, no thread, kExpressionPriority, 0);
//  3. every plug-in deformer gets check_dirty; every plug-in object registered with
//     C4D_OBJECT_CALL_ADDEXECUTION gets add_to_execution, then each entry of the priority list
//     is executed once, by ascending priority (entries of one priority in the order added);
//  4. every polygon object, in hierarchy order: a WorkingCopy passed through DeformersOf it
//     that are switched on (C4D_OBJECT_DEFORM): plug-in deformers by modify_object(inst,
//     deformer, doc, copy, copy's global frame, deformer's global frame, lod 1.0, flags 0, no
//     thread), skins by ApplySkin, point caches by ApplyPointCache.
// Registers the built-in types first (RegisterBuiltinDeformers). out: the deformed points
// and what went wrong on the way. Throws std::bad_alloc when the host runs out of memory.
EvaluationResult Evaluate(Document& doc, double frame, const Animation* animation = nullptr);

// A document with its animation, evaluated frame by frame.
class Evaluator {
 public:
  // in: doc, which must outlive the evaluator. Registers the built-in types.
  explicit Evaluator(Document& doc);

  Document& GetDocument() const { return doc_; }
  Animation& GetAnimation() { return animation_; }
  const Animation& GetAnimation() const { return animation_; }

  // in: frame. out: Evaluate(document, frame, animation).
  EvaluationResult Evaluate(double frame);

 private:
  Document& doc_;
  Animation animation_;
};

}  // namespace hostapp

#endif  // HOSTAPP_EVAL_EVALUATE_H

// Plug-ins made of plain C hooks, registered through the host's registry as a loaded library
// would register them: a deformer object and two tags (one an expression). Every hook appends
// what it was asked to a shared log, so tests can check the order of the host's calls.
#ifndef TESTS_HOSTAPP_EVAL_PLUGINS_H
#define TESTS_HOSTAPP_EVAL_PLUGINS_H

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "host/abi/c4d_abi.h"
#include "hostapp/eval/builtins.h"
#include "hostapp/scene/document.h"
#include "hostapp/scene/node_types.h"
#include "hostapp/scene/registry.h"
#include "hostapp/scene/tables.h"

namespace evaltest {

constexpr int32_t kDeformerId = 1998001;
constexpr int32_t kExpressionTagId = 1998002;
constexpr int32_t kDataTagId = 1998003;  // a tag plug-in that is no expression
// Deformer parameters: the priority it asks for, and the offset it adds to every point.
constexpr int32_t kPriorityParam = 1000;
constexpr int32_t kOffsetParam = 1001;

struct Instance {
  int32_t copies = 0;  // how many copy_to calls led to this instance
};

struct Log {
  std::vector<std::string> events;
  bool modify_result = true;
  bool send_update = false;
  // Called inside modify_object with (deformer, document, working copy, op_mg).
  std::function<void(C4D_Node*, C4D_Document*, C4D_Node*, const C4D_Matrix*)> on_modify;
};

inline Log log;

inline std::string NameOf(C4D_Node* n) { return hostapp::FromC(n)->Name(); }

inline void* Alloc(void*) { return new Instance(); }
inline void Free(void* inst) { delete static_cast<Instance*>(inst); }
inline bool CopyTo(void* src, void* dst, C4D_Node*, C4D_Node*, int32_t) {
  if (dst) static_cast<Instance*>(dst)->copies = static_cast<Instance*>(src)->copies + 1;
  return true;
}

inline void CheckDirty(void*, C4D_Node* op, C4D_Document*) { log.events.push_back("dirty " + NameOf(op)); }

inline bool AddToExecution(void*, C4D_Node* op, C4D_PriorityList* list) {
  const int32_t priority = hostapp::FromC(op)->Data().GetInt32(kPriorityParam, 1000);
  log.events.push_back("add " + NameOf(op));
  return hostapp::SceneTable()->priority_add(list, op, priority, 0);
}

inline int32_t Execute(void*, C4D_Node* op, C4D_Document*, C4D_Thread*, int32_t priority, int32_t) {
  log.events.push_back("execute " + NameOf(op) + " @" + std::to_string(priority));
  return C4D_EXECUTIONRESULT_OK;
}

inline bool ModifyObject(void*, C4D_Node* mod, C4D_Document* doc, C4D_Node* op, const C4D_Matrix* op_mg,
                         const C4D_Matrix*, double, int32_t, C4D_Thread*) {
  log.events.push_back("modify " + NameOf(mod) + " on " + NameOf(op));
  if (log.on_modify) log.on_modify(mod, doc, op, op_mg);
  const C4D_Vector d = hostapp::FromC(mod)->Data().GetVector(kOffsetParam);
  const C4D_GeometryTable* g = hostapp::GeometryTable();
  C4D_Vector* p = g->points_w(op);
  for (int32_t i = 0; p && i < g->point_count(op); ++i) {
    p[i].x += d.x;
    p[i].y += d.y;
    p[i].z += d.z;
  }
  if (log.send_update) hostapp::SceneTable()->node_message(op, C4D_MSG_UPDATE, nullptr);
  return log.modify_result;
}

inline int32_t TagExecute(void*, C4D_Node* tag, C4D_Document*, C4D_Node* op, C4D_Thread*, int32_t priority,
                          int32_t) {
  log.events.push_back("tag " + NameOf(tag) + " on " + NameOf(op) + " @" + std::to_string(priority));
  return C4D_EXECUTIONRESULT_OK;
}

inline C4D_NodeHooks NodeHooks() {
  C4D_NodeHooks h{};
  h.size = sizeof(C4D_NodeHooks);
  h.alloc = Alloc;
  h.free = Free;
  h.copy_to = CopyTo;
  return h;
}

// Registers the three plug-ins (and the host's built-in types) once per test.
inline void RegisterPlugins() {
  hostapp::RegisterBuiltinDeformers();
  C4D_ObjectHooks o{};
  o.size = sizeof(o);
  o.node = NodeHooks();
  o.check_dirty = CheckDirty;
  o.add_to_execution = AddToExecution;
  o.execute = Execute;
  o.modify_object = ModifyObject;
  ASSERT_TRUE(hostapp::Registry::Global().RegisterObject(
      kDeformerId, "Fake Deformer", C4D_OBJECT_MODIFIER | C4D_OBJECT_CALL_ADDEXECUTION, &o, "", nullptr, 0));
  C4D_TagHooks t{};
  t.size = sizeof(t);
  t.node = NodeHooks();
  t.execute = TagExecute;
  ASSERT_TRUE(hostapp::Registry::Global().RegisterTag(kExpressionTagId, "Fake Expression",
                                                      C4D_TAG_VISIBLE | C4D_TAG_EXPRESSION, &t, "", nullptr, 0));
  ASSERT_TRUE(hostapp::Registry::Global().RegisterTag(kDataTagId, "Fake Data", C4D_TAG_VISIBLE, &t, "", nullptr, 0));
}

// A document and helpers to fill it; the plug-ins are registered for each test and the
// registry is emptied after the document is gone.
class EvalTest : public ::testing::Test {
 protected:
  void SetUp() override {
    log = Log();
    RegisterPlugins();
  }
  void TearDown() override {
    doc.reset();
    hostapp::Registry::Global().Reset();
    log = Log();
  }

  // in: type, name, parent (null: top level). out: the new object, last under parent.
  hostapp::Object* Add(int32_t type, const std::string& name, hostapp::Object* parent = nullptr) {
    std::unique_ptr<hostapp::Object> op = hostapp::NodeTypes::Global().CreateObject(type);
    EXPECT_NE(op, nullptr) << "type " << type;
    if (!op) return nullptr;
    op->SetName(name);
    hostapp::Object* pred = parent ? parent->DownLast() : doc->LastObject();
    return pred ? doc->InsertObject(std::move(op), nullptr, pred) : doc->InsertObject(std::move(op), parent, nullptr);
  }

  // in: name, points, parent. out: a polygon object holding points (one triangle on the
  // first three, when there are three).
  hostapp::PolygonObject* AddMesh(const std::string& name, std::vector<C4D_Vector> points,
                                  hostapp::Object* parent = nullptr) {
    auto* mesh = static_cast<hostapp::PolygonObject*>(Add(C4D_OPOLYGON, name, parent));
    mesh->Points() = std::move(points);
    if (mesh->Points().size() >= 3) mesh->Polygons().push_back(C4D_CPolygon{0, 1, 2, 2});
    return mesh;
  }

  hostapp::Object* AddDeformer(const std::string& name, hostapp::Object* parent, int32_t priority = 1000) {
    hostapp::Object* d = Add(kDeformerId, name, parent);
    d->Data().SetInt32(kPriorityParam, priority);
    return d;
  }

  // in: type, name, op. out: a new tag of type, last on op.
  hostapp::Tag* AddTag(int32_t type, const std::string& name, hostapp::Object* op) {
    std::unique_ptr<hostapp::Tag> tag = hostapp::NodeTypes::Global().CreateTag(type);
    EXPECT_NE(tag, nullptr) << "tag type " << type;
    tag->SetName(name);
    hostapp::Tag* raw = tag.release();
    op->InsertTag(raw, op->LastTag());
    return raw;
  }

  std::unique_ptr<hostapp::Document> doc = std::make_unique<hostapp::Document>();
};

}  // namespace evaltest

#endif  // TESTS_HOSTAPP_EVAL_PLUGINS_H

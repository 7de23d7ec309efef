// The evaluation protocol as a plug-in sees it: the order of expression tags, dirty checks,
// executes and modify calls; which deformers act on which object; the working copy a
// deformer is handed; and what a failing deformer leaves behind.
#include <gtest/gtest.h>

#include "hostapp/eval/evaluate.h"
#include "hostapp/scene/matrix.h"
#include "tests/hostapp/eval_plugins.h"

namespace {

using evaltest::EvalTest;
using evaltest::log;
using hostapp::Object;
using hostapp::PolygonObject;

std::vector<std::string> Filter(const std::string& prefix) {
  std::vector<std::string> out;
  for (const std::string& e : log.events) {
    if (e.compare(0, prefix.size(), prefix) == 0) out.push_back(e);
  }
  return out;
}

size_t IndexOf(const std::string& event) {
  for (size_t i = 0; i < log.events.size(); ++i) {
    if (log.events[i] == event) return i;
  }
  ADD_FAILURE() << "no event '" << event << "'";
  return log.events.size();
}

TEST_F(EvalTest, DeformersRunOwnChildrenFirstThenUpTheHierarchy) {
  Object* top = Add(C4D_ONULL, "Top");
  AddDeformer("Top 1", top);
  Object* group = Add(C4D_ONULL, "Group", top);
  AddDeformer("Top 2", top);
  PolygonObject* mesh = AddMesh("Mesh", {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}, group);
  AddDeformer("Own 1", mesh);
  AddDeformer("Own 2", mesh);
  AddDeformer("Beside", group);
  AddDeformer("Root", nullptr);  // a top-level deformer has no parent to act on
  PolygonObject* outside = AddMesh("Outside", {{0, 0, 0}});

  hostapp::EvaluationResult r = hostapp::Evaluate(*doc, 0.0);

  EXPECT_EQ(Filter("modify"), (std::vector<std::string>{"modify Own 1 on Mesh", "modify Own 2 on Mesh",
                                                        "modify Beside on Mesh", "modify Top 1 on Mesh",
                                                        "modify Top 2 on Mesh"}));
  ASSERT_NE(r.Points(*outside), nullptr);
  EXPECT_EQ(r.Points(*outside)->size(), 1u);
  EXPECT_TRUE(r.issues.empty());
}

TEST_F(EvalTest, EachDeformerExecutesOnceAtItsPriorityBeforeAnyModify) {
  Object* group = Add(C4D_ONULL, "Group");
  AddMesh("A", {{0, 0, 0}}, group);
  AddMesh("B", {{0, 0, 0}}, group);
  AddDeformer("Late", group, 2000);
  AddDeformer("Early", group, 500);

  hostapp::EvaluationResult r = hostapp::Evaluate(*doc, 0.0);

  EXPECT_EQ(Filter("execute"), (std::vector<std::string>{"execute Early @500", "execute Late @2000"}));
  EXPECT_EQ(r.executes_run, 2);
  EXPECT_EQ(r.modify_calls, 4);
  // Dirty checks and the priority list come first, then every execute, then the modifies.
  EXPECT_LT(IndexOf("dirty Late"), IndexOf("execute Early @500"));
  EXPECT_LT(IndexOf("add Early"), IndexOf("execute Early @500"));
  EXPECT_LT(IndexOf("execute Late @2000"), IndexOf("modify Late on A"));
  EXPECT_EQ(Filter("modify"), (std::vector<std::string>{"modify Late on A", "modify Early on A", "modify Late on B",
                                                        "modify Early on B"}));
}

TEST_F(EvalTest, ExpressionTagsRunFirstInHierarchyOrderWhenEnabled) {
  PolygonObject* mesh = AddMesh("Mesh", {{0, 0, 0}});
  AddDeformer("Deformer", mesh);
  Object* child = Add(C4D_ONULL, "Child", mesh);
  AddTag(evaltest::kExpressionTagId, "First", mesh);
  AddTag(evaltest::kDataTagId, "Data", mesh);
  hostapp::Tag* off = AddTag(evaltest::kExpressionTagId, "Off", mesh);
  off->Data().SetInt32(hostapp::kTagEnableId, 0);
  AddTag(evaltest::kExpressionTagId, "Second", child);
  AddTag(evaltest::kExpressionTagId, "Later", mesh);

  hostapp::EvaluationResult r = hostapp::Evaluate(*doc, 0.0);

  const std::string at = " @" + std::to_string(hostapp::kExpressionPriority);
  EXPECT_EQ(Filter("tag"), (std::vector<std::string>{"tag First on Mesh" + at, "tag Later on Mesh" + at,
                                                     "tag Second on Child" + at}));
  EXPECT_EQ(r.expressions_run, 3);
  EXPECT_LT(IndexOf("tag Second on Child" + at), IndexOf("dirty Deformer"));
}

TEST_F(EvalTest, DeformStateOffSkipsTheDeformer) {
  PolygonObject* mesh = AddMesh("Mesh", {{1, 2, 3}});
  Object* off = AddDeformer("Off", mesh);
  off->Data().SetVector(evaltest::kOffsetParam, C4D_Vector{100, 0, 0});
  off->SetState(C4D_OBJECT_DEFORM, false);
  Object* on = AddDeformer("On", mesh);
  on->Data().SetVector(evaltest::kOffsetParam, C4D_Vector{0, 10, 0});

  hostapp::EvaluationResult r = hostapp::Evaluate(*doc, 0.0);

  EXPECT_EQ(Filter("modify"), std::vector<std::string>{"modify On on Mesh"});
  ASSERT_NE(r.Points(*mesh), nullptr);
  EXPECT_EQ(r.Points(*mesh)->at(0).x, 1.0);
  EXPECT_EQ(r.Points(*mesh)->at(0).y, 12.0);
  EXPECT_EQ(mesh->Points()[0].y, 2.0);  // the rest points stay
}

TEST_F(EvalTest, FailingModifyIsReportedAndLaterDeformersStillRun) {
  PolygonObject* mesh = AddMesh("Mesh", {{0, 0, 0}});
  AddDeformer("First", mesh)->Data().SetVector(evaltest::kOffsetParam, C4D_Vector{1, 0, 0});
  AddDeformer("Second", mesh)->Data().SetVector(evaltest::kOffsetParam, C4D_Vector{0, 1, 0});
  int calls = 0;
  log.on_modify = [&](C4D_Node*, C4D_Document*, C4D_Node*, const C4D_Matrix*) {
    log.modify_result = ++calls != 1;  // only the first call fails
  };

  hostapp::EvaluationResult r = hostapp::Evaluate(*doc, 0.0);

  ASSERT_EQ(r.Count(hostapp::IssueKind::kModifyFailed), 1u);
  EXPECT_EQ(r.issues[0].object, mesh);
  EXPECT_EQ(r.issues[0].node->Name(), "First");
  EXPECT_NE(r.issues[0].message.find("'First'"), std::string::npos);
  const C4D_Vector p = r.Points(*mesh)->at(0);
  EXPECT_EQ(p.x, 1.0);  // what the failing deformer did stays, as a host keeps it
  EXPECT_EQ(p.y, 1.0);
}

TEST_F(EvalTest, WorkingCopyAnswersWithTheSceneDocumentTagsAndFrame) {
  Object* parent = Add(C4D_ONULL, "Parent");
  C4D_Matrix ml = hostapp::IdentityMatrix();
  ml.off = C4D_Vector{5, 6, 7};
  parent->SetMl(ml);
  PolygonObject* mesh = AddMesh("Mesh", {{0, 0, 0}, {1, 0, 0}}, parent);
  mesh->SetBit(C4D_BIT_ACTIVE, true);
  hostapp::Tag* expression = AddTag(evaltest::kExpressionTagId, "Expression", mesh);
  hostapp::Tag* data = AddTag(evaltest::kDataTagId, "Data", mesh);
  AddDeformer("Deformer", mesh);
  const size_t objects = doc->AllObjects().size();
  log.send_update = true;

  int checked = 0;
  log.on_modify = [&](C4D_Node*, C4D_Document* d, C4D_Node* op, const C4D_Matrix* op_mg) {
    const C4D_SceneTable* s = hostapp::SceneTable();
    EXPECT_NE(op, static_cast<C4D_Node*>(mesh));
    EXPECT_EQ(s->node_document(op), static_cast<C4D_Document*>(doc.get()));
    EXPECT_EQ(d, static_cast<C4D_Document*>(doc.get()));
    C4D_Matrix mg;
    s->object_global_matrix(op, &mg);
    EXPECT_EQ(mg.off.x, 5.0);
    EXPECT_EQ(op_mg->off.z, 7.0);
    EXPECT_EQ(s->object_down(op), nullptr);  // the copy carries no children
    EXPECT_FALSE(s->node_get_bit(op, C4D_BIT_ACTIVE));
    C4D_Node* t1 = s->object_first_tag(op);
    C4D_Node* t2 = s->tag_next(t1);
    ASSERT_NE(t2, nullptr);
    EXPECT_NE(t1, static_cast<C4D_Node*>(expression));
    EXPECT_EQ(s->tag_origin(t1), static_cast<C4D_Node*>(expression));
    EXPECT_EQ(s->tag_origin(t2), static_cast<C4D_Node*>(data));
    EXPECT_EQ(static_cast<evaltest::Instance*>(s->node_instance(t1))->copies, 1);  // through copy_to
    EXPECT_EQ(s->tag_origin(expression), static_cast<C4D_Node*>(expression));
    ++checked;
  };

  hostapp::EvaluationResult r = hostapp::Evaluate(*doc, 0.0);

  EXPECT_EQ(checked, 1);
  EXPECT_EQ(r.working_copy_updates, 1);
  EXPECT_EQ(doc->AllObjects().size(), objects);  // the copy left the scene again
  EXPECT_EQ(mesh->Down()->Name(), "Deformer");   // and the children are back in place
  EXPECT_TRUE(mesh->GetBit(C4D_BIT_ACTIVE));
}

}  // namespace

// Documents: selections in hierarchy order, undo steps, keyboard qualifiers, redraw
// requests and atom arrays, through the boundary as plug-in commands use them.
#include <string>

#include "hostapp/scene/tables.h"
#include "scene/scene_fixture.h"

using namespace hostapp;

namespace {

const C4D_DocumentTable* D() { return DocumentTable(); }
const C4D_ParameterTable* P() { return ParameterTable(); }

std::string Names(const std::vector<Object*>& v) {
  std::string s;
  for (Object* o : v) s += (s.empty() ? "" : " ") + o->Name();
  return s;
}

// A text that changes with any change of structure, names, types, tags or parameters.
std::string Dump(const Object* op, int depth) {
  std::string s;
  for (; op; op = op->Next()) {
    s += std::string(depth * 2, ' ') + std::to_string(op->Type()) + " " + op->Name() + " [" +
         std::to_string(op->Data().Size()) + "]";
    for (Tag* t = op->FirstTag(); t; t = t->Next()) {
      s += " #" + std::to_string(t->Type()) + "/" + std::to_string(t->Data().Size());
    }
    s += "\n" + Dump(op->Down(), depth + 1);
  }
  return s;
}

}  // namespace

class Documents : public SceneTest {
 protected:
  // a(poly, sel) { b(poly, sel) { c(null, sel) }, d(poly) }, e(poly, sel), f(spline, sel)
  void BuildSelectionScene(Document& doc) {
    Object* a = Add(doc, C4D_OPOLYGON, "a");
    Object* b = Add(doc, C4D_OPOLYGON, "b", a);
    Object* c = Add(doc, C4D_ONULL, "c", b);
    Add(doc, C4D_OPOLYGON, "d", a);
    Object* e = Add(doc, C4D_OPOLYGON, "e");
    Object* f = Add(doc, C4D_OSPLINE, "f");
    for (Object* o : {a, b, c, e, f}) o->SetBit(C4D_BIT_ACTIVE, true);
  }
};

TEST_F(Documents, SelectedObjectsFollowHierarchyOrderTypeAndTheChildrenFlag) {
  Document doc;
  BuildSelectionScene(doc);
  EXPECT_EQ(Names(doc.SelectedObjects(true, C4D_OPOLYGON)), "a b e");
  EXPECT_EQ(Names(doc.SelectedObjects(false, C4D_OPOLYGON)), "a e");
  EXPECT_EQ(Names(doc.SelectedObjects(true, 0)), "a b c e f");
  EXPECT_EQ(Names(doc.SelectedObjects(false, 0)), "a e f");

  C4D_AtomArray* arr = D()->atomarray_alloc();
  D()->selected_objects(&doc, arr, true, C4D_OPOLYGON);
  ASSERT_EQ(D()->atomarray_count(arr), 3);
  EXPECT_EQ(FromC(D()->atomarray_get(arr, 1))->Name(), "b");
  EXPECT_EQ(D()->atomarray_get(arr, 3), nullptr);
  EXPECT_EQ(D()->atomarray_get(arr, -1), nullptr);
  D()->selected_objects(&doc, arr, true, fake::kObjectId);  // refills, empty
  EXPECT_EQ(D()->atomarray_count(arr), 0);
  D()->atomarray_free(arr);
}

TEST_F(Documents, UndoTakesBackEverythingOneStepAddedAndOnlyThat) {
  Document doc;
  BuildSelectionScene(doc);
  Object* skin = Add(doc, C4D_OSKIN, "skin", doc.FindObject("e"));
  Tag* vmap = NewTag(C4D_TVERTEXMAP).release();
  doc.FindObject("e")->InsertTag(vmap);
  const std::string before = Dump(doc.FirstObject(), 0);

  // One step as a command builds it: a tag first on each selected mesh, a deformer after
  // the skin deformer.
  ASSERT_TRUE(D()->undo_start(&doc));
  for (Object* op : doc.SelectedObjects(true, C4D_OPOLYGON)) {
    C4D_Node* tag = D()->tag_alloc(fake::kTagId);
    D()->insert_tag(op, tag, nullptr);
    ASSERT_TRUE(D()->undo_add(&doc, C4D_UNDOTYPE_NEW, tag));
    C4D_Data link{};
    link.type = C4D_DA_ALIASLINK;
    link.link = vmap;
    P()->set_parameter(tag, 1007, &link);
  }
  C4D_Node* deformer = D()->object_alloc(fake::kObjectId);
  D()->insert_object(&doc, deformer, nullptr, skin, false);
  ASSERT_TRUE(D()->undo_add(&doc, C4D_UNDOTYPE_NEW, deformer));
  ASSERT_TRUE(D()->undo_end(&doc));
  EXPECT_EQ(LiveInstances(), 4);
  EXPECT_NE(Dump(doc.FirstObject(), 0), before);

  // A second step: undoing it leaves the first in place.
  const std::string after_first = Dump(doc.FirstObject(), 0);
  D()->undo_start(&doc);
  D()->undo_start(&doc);  // nested brackets join the outer step
  C4D_Node* null = D()->object_alloc(C4D_ONULL);
  D()->insert_object(&doc, null, nullptr, nullptr, false);
  D()->undo_add(&doc, C4D_UNDOTYPE_NEW, null);
  D()->undo_end(&doc);
  EXPECT_EQ(doc.UndoSteps(), 1u);
  D()->undo_end(&doc);
  EXPECT_EQ(doc.UndoSteps(), 2u);

  ASSERT_TRUE(doc.Undo());
  EXPECT_EQ(Dump(doc.FirstObject(), 0), after_first);
  ASSERT_TRUE(doc.Undo());
  EXPECT_EQ(Dump(doc.FirstObject(), 0), before);
  EXPECT_EQ(LiveInstances(), 0);
  EXPECT_FALSE(doc.Undo());
}

TEST_F(Documents, UndoRecordsNeedAnOpenStepAndANewNode) {
  Document doc;
  Object* op = Add(doc, C4D_ONULL, "op");
  EXPECT_FALSE(D()->undo_add(&doc, C4D_UNDOTYPE_NEW, op));
  EXPECT_FALSE(D()->undo_end(&doc));
  D()->undo_start(&doc);
  EXPECT_FALSE(D()->undo_add(&doc, 41, op));
  EXPECT_FALSE(D()->undo_add(&doc, C4D_UNDOTYPE_NEW, nullptr));
  D()->undo_end(&doc);
  EXPECT_EQ(doc.UndoSteps(), 0u);  // an empty step is not kept

  // A recorded node freed before the undo is skipped.
  D()->undo_start(&doc);
  C4D_Node* tag = D()->tag_alloc(C4D_TVERTEXMAP);
  D()->insert_tag(op, tag, nullptr);
  D()->undo_add(&doc, C4D_UNDOTYPE_NEW, tag);
  D()->undo_end(&doc);
  delete FromC(tag);
  EXPECT_TRUE(doc.Undo());
  EXPECT_EQ(doc.FirstObject(), op);
}

TEST_F(Documents, QualifiersAnswerTheKeyboardQueryOnly) {
  C4D_Container* res = P()->container_alloc();
  SetQualifiers(C4D_QUALIFIER_SHIFT);
  ASSERT_TRUE(D()->input_state(0x6B657962, 0x69706361, res));
  EXPECT_EQ(P()->container_get_int32(res, 0x69707161, -1), C4D_QUALIFIER_SHIFT);
  SetQualifiers(C4D_QUALIFIER_SHIFT | C4D_QUALIFIER_CTRL);
  D()->input_state(0x6B657962, 0x69706361, res);
  EXPECT_EQ(P()->container_get_int32(res, 0x69707161, -1), 3);
  EXPECT_FALSE(D()->input_state(0x6D6F7573, 0x69706361, res));
  EXPECT_FALSE(D()->input_state(0x6B657962, 0x69706361, nullptr));
  SetInputStateFails(true);
  EXPECT_FALSE(D()->input_state(0x6B657962, 0x69706361, res));
  P()->container_free(res);
}

// Objects in a hierarchy and their tags: insertion through the boundary, frames, cloning
// through plug-in hooks (with tag origins), plug-in node creation and messages.
#include <string>

#include "hostapp/scene/matrix.h"
#include "hostapp/scene/tables.h"
#include "scene/scene_fixture.h"

using namespace hostapp;

namespace {

const C4D_SceneTable* S() { return SceneTable(); }
const C4D_DocumentTable* D() { return DocumentTable(); }

std::string Names(const std::vector<Object*>& v) {
  std::string s;
  for (Object* o : v) s += (s.empty() ? "" : " ") + o->Name();
  return s;
}

}  // namespace

class Hierarchy : public SceneTest {};

TEST_F(Hierarchy, InsertionPlacesObjectsAndTagsWhereTheBoundarySays) {
  Document doc;
  C4D_Node* a = D()->object_alloc(C4D_ONULL);
  C4D_Node* b = D()->object_alloc(C4D_ONULL);
  C4D_Node* c = D()->object_alloc(C4D_OPOLYGON);
  C4D_Node* d = D()->object_alloc(C4D_OPOLYGON);
  FromC(a)->SetName("a");
  FromC(b)->SetName("b");
  FromC(c)->SetName("c");
  FromC(d)->SetName("d");
  D()->insert_object(&doc, a, nullptr, nullptr, false);  // first at top
  D()->insert_object(&doc, b, nullptr, nullptr, false);  // first again: b a
  D()->insert_object(&doc, c, nullptr, b, false);        // after b: b c a
  D()->insert_under_last(d, a);
  EXPECT_EQ(Names(doc.AllObjects()), "b c a d");
  EXPECT_EQ(S()->object_up(d), a);
  EXPECT_EQ(S()->object_up(a), nullptr);
  EXPECT_EQ(S()->object_down(a), d);
  EXPECT_EQ(S()->object_next(b), c);
  EXPECT_EQ(S()->node_document(d), static_cast<C4D_Document*>(&doc));

  C4D_Node* t1 = D()->tag_alloc(C4D_TVERTEXMAP);
  C4D_Node* t2 = D()->tag_alloc(C4D_TVERTEXMAP);
  C4D_Node* t3 = D()->tag_alloc(fake::kTagId);
  D()->insert_tag(c, t1, nullptr);
  D()->insert_tag(c, t2, nullptr);  // before all others: t2 t1
  D()->insert_tag(c, t3, t2);       // after t2: t2 t3 t1
  EXPECT_EQ(S()->object_first_tag(c), t2);
  EXPECT_EQ(S()->tag_next(t2), t3);
  EXPECT_EQ(S()->tag_next(t3), t1);
  EXPECT_EQ(S()->tag_next(t1), nullptr);
  EXPECT_EQ(S()->tag_object(t3), c);
  EXPECT_EQ(S()->tag_origin(t3), t3);  // a scene tag is its own origin

  // Moving an inserted object detaches it first; a place under itself is refused.
  D()->insert_under_last(c, d);
  EXPECT_EQ(Names(doc.AllObjects()), "b a d c");
  D()->insert_under_last(a, c);
  EXPECT_EQ(Names(doc.AllObjects()), "b a d c");
}

TEST_F(Hierarchy, GlobalMatrixComposesTheParentChain) {
  Document doc;
  Object* parent = Add(doc, C4D_ONULL, "parent");
  Object* child = Add(doc, C4D_ONULL, "child", parent);
  // Parent: a quarter turn about z, moved to (10, 0, 0). Child: moved 1 along its x.
  parent->SetMl(C4D_Matrix{{10, 0, 0}, {0, 1, 0}, {-1, 0, 0}, {0, 0, 1}});
  child->SetMl(C4D_Matrix{{1, 0, 0}, {1, 0, 0}, {0, 1, 0}, {0, 0, 1}});
  C4D_Matrix mg;
  S()->object_global_matrix(child, &mg);
  EXPECT_EQ(mg.off.x, 10.0);
  EXPECT_EQ(mg.off.y, 1.0);
  EXPECT_EQ(mg.v1.y, 1.0);
  EXPECT_EQ(mg.v2.x, -1.0);
  child->Remove().release();  // free-standing: the global frame is the local one
  S()->object_global_matrix(child, &mg);
  EXPECT_EQ(mg.off.x, 1.0);
  delete child;
}

TEST_F(Hierarchy, CloneCopiesThroughPluginHooksAndTagsKnowTheirOrigin) {
  Document doc;
  Object* mesh = Add(doc, C4D_OPOLYGON, "mesh");
  static_cast<PolygonObject*>(mesh)->Points() = {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}};
  static_cast<PolygonObject*>(mesh)->Polygons() = {{0, 1, 2, 2}};
  auto* vmap = static_cast<VertexMapTag*>(NewTag(C4D_TVERTEXMAP).release());
  vmap->Weights() = {0.25f, 0.5f, 1.0f};
  Tag* bind = NewTag(fake::kTagId).release();
  mesh->InsertTag(bind);
  mesh->InsertTag(vmap, bind);
  fake::Of(bind->Instance())->value = 17;
  fake::Of(bind->Instance())->data = {{1, 2, 3}};
  bind->Data().SetLink(1007, vmap);
  Object* deformer = Add(doc, fake::kObjectId, "deformer", mesh);
  fake::Of(deformer->Instance())->value = 5;

  int inits = fake::calls.inits;
  std::unique_ptr<Object> copy = mesh->Clone();
  ASSERT_NE(copy, nullptr);
  EXPECT_EQ(fake::calls.inits, inits);  // a copy is filled by copy_to, not initialised
  EXPECT_EQ(fake::calls.copies, 2);
  EXPECT_EQ(copy->GetDocument(), nullptr);
  auto* pc = ToPolygonObject(copy.get());
  ASSERT_NE(pc, nullptr);
  EXPECT_EQ(pc->Points().size(), 3u);
  EXPECT_EQ(pc->Polygons().size(), 1u);

  Tag* cbind = copy->FirstTag();
  ASSERT_NE(cbind, nullptr);
  EXPECT_NE(cbind, bind);
  EXPECT_NE(cbind->Instance(), bind->Instance());
  EXPECT_EQ(fake::Of(cbind->Instance())->value, 17);
  EXPECT_EQ(fake::Of(cbind->Instance())->data.size(), 1u);
  EXPECT_TRUE(cbind->Data().Equals(bind->Data()));
  EXPECT_EQ(cbind->Data().GetLink(1007), vmap);  // links keep their targets
  EXPECT_EQ(cbind->Origin(), bind);
  auto* cvmap = static_cast<VertexMapTag*>(cbind->Next());
  EXPECT_EQ(cvmap->Weights(), vmap->Weights());
  EXPECT_EQ(cvmap->Origin(), vmap);
  EXPECT_EQ(fake::Of(copy->Down()->Instance())->value, 5);

  // A copy of a copy still answers with the scene tag; a duplicate is its own origin.
  std::unique_ptr<Object> second = copy->Clone();
  EXPECT_EQ(second->FirstTag()->Origin(), bind);
  std::unique_ptr<Object> dup = mesh->Clone(CloneMode::kDuplicate);
  EXPECT_EQ(dup->FirstTag()->Origin(), dup->FirstTag());
  // Once the scene tag is gone, the copy's origin is unknown.
  delete bind;
  EXPECT_EQ(S()->tag_origin(cbind), nullptr);
}

TEST_F(Hierarchy, FailingPluginHooksFailTheCloneWithoutLeaks) {
  Document doc;
  Object* mesh = Add(doc, C4D_OPOLYGON, "mesh");
  Add(doc, C4D_ONULL, "child", mesh);
  mesh->InsertTag(NewTag(fake::kTagId).release());
  fake::calls.fail_copy = true;
  EXPECT_EQ(mesh->Clone(), nullptr);
  fake::calls.fail_copy = false;
  fake::calls.fail_alloc = true;
  EXPECT_EQ(mesh->Clone(), nullptr);
  fake::calls.fail_alloc = false;
  NodeTypes::Global().FailNextCreation(C4D_ONULL);
  EXPECT_EQ(mesh->Clone(), nullptr);
  EXPECT_NE(mesh->Clone(), nullptr);
}

TEST_F(Hierarchy, PluginNodesAreCreatedByKindAndFreedThroughTheirHooks) {
  EXPECT_EQ(D()->object_alloc(fake::kTagId), nullptr);  // a tag id is not an object type
  EXPECT_EQ(D()->tag_alloc(fake::kObjectId), nullptr);
  EXPECT_EQ(D()->object_alloc(123456), nullptr);
  EXPECT_EQ(D()->tag_alloc(C4D_OPOLYGON), nullptr);

  C4D_Node* tag = D()->tag_alloc(fake::kTagId);
  ASSERT_NE(tag, nullptr);
  EXPECT_EQ(fake::calls.allocs, 1);
  EXPECT_EQ(fake::calls.inits, 1);
  EXPECT_NE(S()->node_instance(tag), nullptr);
  EXPECT_EQ(FromC(tag)->Name(), "Fake Tag");
  D()->node_free(tag);
  EXPECT_EQ(fake::calls.frees, 1);

  fake::calls.fail_init = true;
  EXPECT_EQ(D()->object_alloc(fake::kObjectId), nullptr);
  EXPECT_EQ(LiveInstances(), 0);
  fake::calls.fail_init = false;
  fake::calls.fail_alloc = true;
  EXPECT_EQ(D()->object_alloc(fake::kObjectId), nullptr);
  fake::calls.fail_alloc = false;

  C4D_Node* vmap = D()->tag_alloc(C4D_TVERTEXMAP);
  EXPECT_EQ(S()->node_instance(vmap), nullptr);
  D()->node_free(vmap);
}

TEST_F(Hierarchy, UpdateMessagesMarkDirtyOthersReachThePlugin) {
  auto op = NewObject(fake::kObjectId);
  uint32_t dirty = op->DirtyCount();
  EXPECT_TRUE(S()->node_message(op.get(), C4D_MSG_UPDATE, nullptr));
  EXPECT_EQ(op->DirtyCount(), dirty + 1);
  EXPECT_EQ(fake::calls.messages, 0);
  EXPECT_TRUE(S()->node_message(op.get(), C4D_MSG_MENUPREPARE, nullptr));
  EXPECT_EQ(fake::calls.last_message, C4D_MSG_MENUPREPARE);
  EXPECT_FALSE(S()->node_message(op.get(), 999, nullptr));
  S()->node_set_dirty(op.get(), C4D_DIRTYFLAGS_DATA);
  EXPECT_EQ(op->DirtyCount(), dirty + 2);

  auto null = NewObject(C4D_ONULL);
  EXPECT_TRUE(S()->node_message(null.get(), C4D_MSG_MENUPREPARE, nullptr));
  EXPECT_TRUE(S()->object_get_state(null.get(), C4D_OBJECT_DEFORM));
  S()->object_set_state(null.get(), C4D_OBJECT_DEFORM, false);
  EXPECT_FALSE(S()->object_get_state(null.get(), C4D_OBJECT_DEFORM));
}

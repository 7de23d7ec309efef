// Parameter access across the boundary: values by type, absent ids, type mismatches,
// links that dangle once their target is freed, and in/exclude lists.
#include <cstring>
#include <string>

#include "hostapp/scene/tables.h"
#include "scene/scene_fixture.h"

using namespace hostapp;

namespace {

const C4D_ParameterTable* P() { return ParameterTable(); }
const C4D_SceneTable* S() { return SceneTable(); }

C4D_Data Long(int32_t v) {
  C4D_Data d{};
  d.type = C4D_DA_LONG;
  d.i32 = v;
  return d;
}

C4D_Data LinkTo(Node* n) {
  C4D_Data d{};
  d.type = C4D_DA_ALIASLINK;
  d.link = n;
  return d;
}

}  // namespace

class Parameters : public SceneTest {};

TEST_F(Parameters, EachTypeRoundTripsAndMarksTheNodeDirty) {
  auto op = NewObject(C4D_ONULL);
  auto target = NewObject(C4D_OPOLYGON);
  C4D_Node* n = op.get();
  uint32_t dirty = op->DirtyCount();

  C4D_Data d = Long(-7);
  ASSERT_TRUE(P()->set_parameter(n, 1, &d));
  d = C4D_Data{};
  d.type = C4D_DA_REAL;
  d.f64 = 0.1;
  ASSERT_TRUE(P()->set_parameter(n, 2, &d));
  d = C4D_Data{};
  d.type = C4D_DA_VECTOR;
  d.vec = C4D_Vector{1.5, -2.5, 1e300};
  ASSERT_TRUE(P()->set_parameter(n, 3, &d));
  char text[] = "status: 0 B";
  d = C4D_Data{};
  d.type = C4D_DA_STRING;
  d.str = text;
  ASSERT_TRUE(P()->set_parameter(n, 4, &d));
  text[0] = 'X';  // the host keeps its own copy
  d = LinkTo(target.get());
  ASSERT_TRUE(P()->set_parameter(n, 5, &d));
  EXPECT_EQ(op->DirtyCount(), dirty + 5);

  C4D_Data out;
  ASSERT_TRUE(P()->get_parameter(n, 1, &out));
  EXPECT_EQ(out.type, C4D_DA_LONG);
  EXPECT_EQ(out.i32, -7);
  ASSERT_TRUE(P()->get_parameter(n, 2, &out));
  EXPECT_EQ(out.type, C4D_DA_REAL);
  EXPECT_EQ(out.f64, 0.1);
  ASSERT_TRUE(P()->get_parameter(n, 3, &out));
  EXPECT_EQ(out.type, C4D_DA_VECTOR);
  EXPECT_EQ(out.vec.x, 1.5);
  EXPECT_EQ(out.vec.y, -2.5);
  EXPECT_EQ(out.vec.z, 1e300);
  ASSERT_TRUE(P()->get_parameter(n, 4, &out));
  EXPECT_EQ(out.type, C4D_DA_STRING);
  EXPECT_STREQ(out.str, "status: 0 B");
  ASSERT_TRUE(P()->get_parameter(n, 5, &out));
  EXPECT_EQ(out.type, C4D_DA_ALIASLINK);
  EXPECT_EQ(out.link, static_cast<C4D_Node*>(target.get()));
}

TEST_F(Parameters, AbsentIdsUnsupportedTypesAndMismatchedReads) {
  auto op = NewObject(C4D_ONULL);
  C4D_Node* n = op.get();
  C4D_Data out = Long(5);
  EXPECT_FALSE(P()->get_parameter(n, 42, &out));
  EXPECT_EQ(out.type, C4D_DA_NIL);

  uint32_t dirty = op->DirtyCount();
  C4D_Data d{};
  d.type = C4D_DA_INEXCLUDE;
  EXPECT_FALSE(P()->set_parameter(n, 1, &d));
  d.type = C4D_DA_NIL;
  EXPECT_FALSE(P()->set_parameter(n, 1, &d));
  EXPECT_EQ(op->DirtyCount(), dirty);
  EXPECT_FALSE(op->Data().Has(1));

  // A write of another type replaces the value; typed reads of the old type fall back.
  d = Long(3);
  P()->set_parameter(n, 7, &d);
  d = C4D_Data{};
  d.type = C4D_DA_REAL;
  d.f64 = 3.0;
  P()->set_parameter(n, 7, &d);
  const C4D_Container* bc = P()->node_container(n);
  EXPECT_EQ(P()->container_get_int32(bc, 7, -1), -1);
  EXPECT_EQ(P()->container_get_int32(bc, 8, -2), -2);
  ASSERT_TRUE(P()->get_parameter(n, 7, &out));
  EXPECT_EQ(out.type, C4D_DA_REAL);
}

TEST_F(Parameters, EveryTagCarriesTheEnableSwitch) {
  auto vmap = NewTag(C4D_TVERTEXMAP);
  auto plugin_tag = NewTag(fake::kTagId);
  auto op = NewObject(C4D_OPOLYGON);
  EXPECT_EQ(vmap->Data().GetInt32(kTagEnableId, 0), 1);
  EXPECT_EQ(plugin_tag->Data().GetInt32(kTagEnableId, 0), 1);
  EXPECT_EQ(plugin_tag->Data().GetInt32(fake::kInitParam, 0), 2);  // written by init
  EXPECT_FALSE(op->Data().Has(kTagEnableId));
}

TEST_F(Parameters, FreshContainersAndInt32Defaults) {
  C4D_Container* bc = P()->container_alloc();
  ASSERT_NE(bc, nullptr);
  EXPECT_EQ(P()->container_get_int32(bc, 0x69707161, 0), 0);
  EXPECT_TRUE(P()->container_set_int32(bc, 0x69707161, 3));
  EXPECT_EQ(P()->container_get_int32(bc, 0x69707161, 0), 3);
  P()->container_free(bc);
  EXPECT_EQ(P()->container_get_int32(nullptr, 1, 9), 9);
}

TEST_F(Parameters, LinksDangleOnceTheTargetIsFreedAndResolveWithDocumentAndType) {
  Document doc;
  Document other;
  Object* mesh = Add(doc, C4D_OPOLYGON, "mesh");
  auto vmap = NewTag(C4D_TVERTEXMAP);
  Tag* vm = vmap.get();
  mesh->InsertTag(vmap.release());
  Object* elsewhere = Add(other, C4D_OPOLYGON, "elsewhere");
  auto loose = NewObject(C4D_ONULL);

  auto holder = NewTag(fake::kTagId);
  mesh->InsertTag(holder.get());
  Tag* h = holder.release();
  C4D_Data d = LinkTo(vm);
  P()->set_parameter(h, 1007, &d);
  d = LinkTo(elsewhere);
  P()->set_parameter(h, 1, &d);
  d = LinkTo(loose.get());
  P()->set_parameter(h, 2, &d);

  // What a plug-in needs to filter a link: the target's document and type.
  C4D_Data out;
  P()->get_parameter(h, 1007, &out);
  EXPECT_EQ(S()->node_type(out.link), C4D_TVERTEXMAP);
  EXPECT_EQ(S()->node_document(out.link), S()->node_document(h));
  P()->get_parameter(h, 1, &out);
  EXPECT_EQ(S()->node_document(out.link), static_cast<C4D_Document*>(&other));
  P()->get_parameter(h, 2, &out);
  EXPECT_EQ(S()->node_document(out.link), nullptr);

  delete vm;
  loose.reset();
  ASSERT_TRUE(P()->get_parameter(h, 1007, &out));
  EXPECT_EQ(out.type, C4D_DA_ALIASLINK);
  EXPECT_EQ(out.link, nullptr);
  ASSERT_TRUE(P()->get_parameter(h, 2, &out));
  EXPECT_EQ(out.link, nullptr);

  // A null link clears the parameter to an empty link.
  d = LinkTo(nullptr);
  ASSERT_TRUE(P()->set_parameter(h, 1, &d));
  ASSERT_TRUE(P()->get_parameter(h, 1, &out));
  EXPECT_EQ(out.link, nullptr);
}

TEST_F(Parameters, InExcludeListsFindEntriesByNodeAndSurviveFreedEntries) {
  Document doc;
  Object* a = Add(doc, C4D_OPOLYGON, "a");
  Object* b = Add(doc, C4D_OPOLYGON, "b");
  Tag* ta = NewTag(fake::kTagId).release();
  Tag* tb = NewTag(fake::kTagId).release();
  a->InsertTag(ta);
  b->InsertTag(tb);
  Object* deformer = Add(doc, fake::kObjectId, "deformer");
  InExclude list;
  list.Add(ta);
  list.Add(tb);
  list.Add(tb);  // listed once
  deformer->Data().SetInExclude(1001, list);

  C4D_Data out;
  ASSERT_TRUE(P()->get_parameter(deformer, 1001, &out));
  ASSERT_EQ(out.type, C4D_DA_INEXCLUDE);
  EXPECT_EQ(P()->inexclude_find_index(out.inex, &doc, ta), 0);
  EXPECT_EQ(P()->inexclude_find_index(out.inex, &doc, tb), 1);
  EXPECT_EQ(P()->inexclude_find_index(out.inex, &doc, a), -1);
  EXPECT_EQ(P()->inexclude_find_index(out.inex, &doc, nullptr), -1);

  delete ta;
  P()->get_parameter(deformer, 1001, &out);
  const InExclude* l = static_cast<const InExclude*>(out.inex);
  EXPECT_EQ(l->Count(), 2);
  EXPECT_EQ(l->Get(0), nullptr);
  EXPECT_EQ(P()->inexclude_find_index(out.inex, &doc, tb), 1);
}

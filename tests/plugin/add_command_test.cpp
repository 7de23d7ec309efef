// The add command through the loaded plug-in: tags on the selection, the selected vertex map
// linked, the deformer placed by the qualifier, and one undo step for all of it.
#include "hostapp/app/session.h"
#include "hostapp/scene/input.h"
#include "hostapp/scene/scenefile.h"
#include "plugin_env.h"

namespace plugintest {
namespace {

using hostapp::Object;

class AddCommandTest : public PluginTest {
 protected:
  void TearDown() override {
    hostapp::SetQualifiers(0);
    hostapp::SetInputStateFails(false);
    PluginTest::TearDown();
  }
  hostapp::PolygonObject* Selected(Object* parent = nullptr) {
    hostapp::PolygonObject* op = AddMesh(testmesh::Grid(2, 2), parent);
    op->SetBit(C4D_BIT_ACTIVE, true);
    return op;
  }
  bool Run(int32_t qualifiers) {
    hostapp::SetQualifiers(qualifiers);
    return hostapp::Session::RunCommand(kCommandId, *doc_);
  }
  static std::vector<int32_t> ChildTypes(Object* op) {
    std::vector<int32_t> types;
    for (Object* c = op->Down(); c; c = c->Next()) types.push_back(c->Type());
    return types;
  }
  std::vector<uint8_t> Saved() {
    std::vector<uint8_t> bytes;
    std::string error;
    EXPECT_TRUE(hostapp::SerializeDocument(*doc_, &bytes, &error)) << error;
    return bytes;
  }
};

TEST_F(AddCommandTest, TagsOnlyWithoutQualifier) {
  EXPECT_EQ(hostapp::Session::CommandState(kCommandId, *doc_), 0);
  EXPECT_FALSE(Run(0));  // empty selection: nothing happens, no undo step
  EXPECT_EQ(doc_->UndoSteps(), 0u);

  Object* a = Selected();
  Object* b = Selected();
  AddTag(b);  // b already carries a bind tag: it gets a second one
  Object* null = AddObject(C4D_ONULL);
  null->SetBit(C4D_BIT_ACTIVE, true);  // other types are ignored
  EXPECT_EQ(hostapp::Session::CommandState(kCommandId, *doc_), C4D_CMD_ENABLED);
  ASSERT_TRUE(Run(0));
  ASSERT_TRUE(a->FirstTag());
  EXPECT_EQ(a->FirstTag()->Type(), kTagId);
  EXPECT_EQ(a->Tags().size(), 1u);
  EXPECT_EQ(b->Tags().size(), 2u);
  EXPECT_EQ(null->Tags().size(), 0u);
  EXPECT_TRUE(ChildTypes(a).empty());
  EXPECT_EQ(doc_->UndoSteps(), 1u);
}

TEST_F(AddCommandTest, ShiftPlacesTheDeformerUnderTheObjectAfterASkin) {
  Object* mesh = Selected();
  AddObject(C4D_OSKIN, mesh);
  AddObject(C4D_ONULL, mesh);  // some other deformer after the skin
  ASSERT_TRUE(Run(C4D_QUALIFIER_SHIFT));
  EXPECT_EQ(ChildTypes(mesh), (std::vector<int32_t>{C4D_OSKIN, kDeformerId, C4D_ONULL}));

  // Only another deformer: the new one goes last.
  Object* other = AddMesh(testmesh::Grid(1, 1));
  AddObject(C4D_ONULL, other);
  mesh->SetBit(C4D_BIT_ACTIVE, false);
  other->SetBit(C4D_BIT_ACTIVE, true);
  ASSERT_TRUE(Run(C4D_QUALIFIER_SHIFT));
  EXPECT_EQ(ChildTypes(other), (std::vector<int32_t>{C4D_ONULL, kDeformerId}));

  // A holder that already has one gets no second deformer, only the tag.
  ASSERT_TRUE(Run(C4D_QUALIFIER_SHIFT));
  EXPECT_EQ(ChildTypes(other), (std::vector<int32_t>{C4D_ONULL, kDeformerId}));
  EXPECT_EQ(other->Tags().size(), 2u);
}

TEST_F(AddCommandTest, ControlPlacesOneDeformerUnderTheParent) {
  Object* parent = AddObject(C4D_ONULL);
  Object* first = Selected(parent);
  Object* second = Selected(parent);
  Object* top = Selected();
  ASSERT_TRUE(Run(C4D_QUALIFIER_CTRL));
  EXPECT_EQ(ChildTypes(parent), (std::vector<int32_t>{C4D_OPOLYGON, C4D_OPOLYGON, kDeformerId}));
  EXPECT_EQ(first->Tags().size(), 1u);
  EXPECT_EQ(second->Tags().size(), 1u);
  EXPECT_EQ(top->Tags().size(), 1u);
  EXPECT_TRUE(ChildTypes(top).empty());
}

TEST_F(AddCommandTest, BothQualifiersOrAFailedQueryPlaceNoDeformer) {
  Object* mesh = Selected();
  ASSERT_TRUE(Run(C4D_QUALIFIER_SHIFT | C4D_QUALIFIER_CTRL));
  EXPECT_TRUE(ChildTypes(mesh).empty());
  hostapp::SetInputStateFails(true);
  ASSERT_TRUE(Run(C4D_QUALIFIER_SHIFT));
  EXPECT_TRUE(ChildTypes(mesh).empty());
  EXPECT_EQ(mesh->Tags().size(), 2u);
}

TEST_F(AddCommandTest, TheSelectedVertexMapIsLinked) {
  Object* mesh = Selected();
  auto* first = new hostapp::VertexMapTag();
  auto* second = new hostapp::VertexMapTag();
  mesh->InsertTag(first, nullptr);
  mesh->InsertTag(second, first);
  second->SetBit(C4D_BIT_ACTIVE, true);
  Object* plain = Selected();
  plain->InsertTag(new hostapp::VertexMapTag(), nullptr);
  ASSERT_TRUE(Run(0));
  EXPECT_EQ(mesh->FirstTag()->Type(), kTagId);
  EXPECT_EQ(mesh->FirstTag()->Data().GetLink(1007), second);
  EXPECT_EQ(plain->FirstTag()->Data().GetLink(1007), nullptr);
}

TEST_F(AddCommandTest, OneUndoRestoresTheSceneExactly) {
  Object* parent = AddObject(C4D_ONULL);
  Object* mesh = Selected(parent);
  AddObject(C4D_OSKIN, mesh);
  Selected(parent);
  const std::vector<uint8_t> before = Saved();
  ASSERT_TRUE(Run(C4D_QUALIFIER_SHIFT));
  EXPECT_NE(Saved(), before);
  ASSERT_TRUE(doc_->Undo());
  EXPECT_EQ(Saved(), before);
}

TEST_F(AddCommandTest, AFailedCreationStopsButKeepsWhatWasAdded) {
  Object* a = Selected();
  Object* b = Selected();
  hostapp::NodeTypes::Global().FailNextCreation(kTagId);
  EXPECT_FALSE(Run(0));
  EXPECT_EQ(a->Tags().size(), 0u);
  // The deformer of the first object cannot be made: the first tag stays.
  hostapp::NodeTypes::Global().FailNextCreation(kDeformerId);
  EXPECT_FALSE(Run(C4D_QUALIFIER_SHIFT));
  EXPECT_EQ(a->Tags().size(), 1u);
  EXPECT_EQ(b->Tags().size(), 0u);
  EXPECT_TRUE(ChildTypes(a).empty());
}

}  // namespace
}  // namespace plugintest

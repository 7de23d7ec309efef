// Test fixture for the scene module: registers the fake plug-in's tag and object types,
// silences the console, and afterwards forgets registrations and checks that every
// plug-in instance created during the test was freed.
#ifndef TESTS_SCENE_SCENE_FIXTURE_H
#define TESTS_SCENE_SCENE_FIXTURE_H

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "hostapp/scene/console.h"
#include "hostapp/scene/document.h"
#include "hostapp/scene/input.h"
#include "hostapp/scene/node_types.h"
#include "hostapp/scene/registry.h"
#include "scene/fake_plugin.h"

class SceneTest : public ::testing::Test {
 protected:
  void SetUp() override {
    fake::calls = fake::Calls{};
    hostapp::SetConsoleEcho(false);
    hostapp::ConsoleClear();
    hostapp::SetQualifiers(0);
    hostapp::SetInputStateFails(false);
    C4D_TagHooks th = fake::TagHooks();
    C4D_ObjectHooks oh = fake::ObjectHooks();
    ASSERT_TRUE(hostapp::Registry::Global().RegisterTag(fake::kTagId, "Fake Tag", C4D_TAG_VISIBLE,
                                                        &th, "Tfake", nullptr, 0));
    ASSERT_TRUE(hostapp::Registry::Global().RegisterObject(
        fake::kObjectId, "Fake Object", C4D_OBJECT_MODIFIER, &oh, "Ofake", nullptr, 0));
  }
  void TearDown() override {
    hostapp::Registry::Global().Reset();
    EXPECT_EQ(LiveInstances(), 0) << "plug-in instances leaked";
  }

  // A new node of a type id, owned by the caller.
  static std::unique_ptr<hostapp::Object> NewObject(int32_t type, const std::string& name = "") {
    std::unique_ptr<hostapp::Object> op = hostapp::NodeTypes::Global().CreateObject(type);
    if (op && !name.empty()) op->SetName(name);
    return op;
  }
  static std::unique_ptr<hostapp::Tag> NewTag(int32_t type) {
    return hostapp::NodeTypes::Global().CreateTag(type);
  }
  // Appends a new object of type under parent (top level when null). out: the object.
  static hostapp::Object* Add(hostapp::Document& doc, int32_t type, const std::string& name,
                              hostapp::Object* parent = nullptr) {
    hostapp::Object* op = NewObject(type, name).release();
    if (parent) {
      op->InsertUnderLast(parent);
    } else {
      doc.InsertObject(op, nullptr, doc.LastObject());
    }
    return op;
  }
  // out: fake plug-in instances allocated and not yet freed.
  static int LiveInstances() { return fake::calls.allocs - fake::calls.frees; }
};

#endif  // TESTS_SCENE_SCENE_FIXTURE_H

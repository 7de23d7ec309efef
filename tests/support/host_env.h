// Test fixture that runs plug-in code on the host application's services: attaches the
// host's function tables, and after every test checks that nothing the test allocated through
// the host's allocator is still outstanding.
#ifndef TESTS_SUPPORT_HOST_ENV_H
#define TESTS_SUPPORT_HOST_ENV_H

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "c4d_general.h"
#include "hostapp/app/tables.h"
#include "hostapp/scene/object.h"
#include "hostapp/scene/tag.h"
#include "hostapp/services/memory.h"
#include "hostapp/services/threads.h"
#include "support/meshes.h"

class HostTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(AttachHostTables(hostapp::HostTables()));
    outstanding_ = hostapp::OutstandingBlocks();
  }
  void TearDown() override {
    hostapp::FailAllocationAfter(0);
    hostapp::FailThreadStartAfter(0);
    hostapp::SetProcessorCountForTesting(0);
    objects_.clear();
    EXPECT_EQ(hostapp::OutstandingBlocks(), outstanding_) << OutstandingReport();
  }

  static std::string OutstandingReport() {
    std::string r = "outstanding allocations:";
    for (const auto& e : hostapp::Outstanding())
      r += "\n  " + e.file + ": " + std::to_string(e.blocks) + " blocks, " + std::to_string(e.bytes) + " bytes";
    return r;
  }

  // A free-standing polygon object holding the mesh, owned by the fixture.
  hostapp::PolygonObject* MakePolygonObject(const testmesh::Mesh& mesh) {
    auto op = std::make_unique<hostapp::PolygonObject>();
    op->Points() = mesh.points;
    op->Polygons() = mesh.polygons;
    objects_.push_back(std::move(op));
    return static_cast<hostapp::PolygonObject*>(objects_.back().get());
  }

 private:
  int64_t outstanding_ = 0;
  std::vector<std::unique_ptr<hostapp::Object>> objects_;
};

#endif

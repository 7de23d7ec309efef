// The bind tag driven through the loaded plug-in: states and status texts, enabling, its
// scene-file data, copies, and every failure path of binding and reading.
#include <cstring>
#include <limits>

#include "plugin_env.h"

namespace plugintest {
namespace {

enum : int32_t {
  BIND = 1000, UNBIND = 1001, STATUS = 1002, SMOOTHTYPE = 1003, ITERATIONS = 1004, PINBORDER = 1005,
  SMOOTHONLY = 1006, VERTEXMAP = 1007, STEP = 1008, USEVERTEXMAP = 1009,
};

class BindTagTest : public PluginTest {
 protected:
  std::string BoundText(int64_t bytes) { return String(1002) + SizeText(bytes); }
};

TEST_F(BindTagTest, FreshTagHasItsInitialValuesAndGoesLiveOnExecution) {
  auto* op = AddMesh(testmesh::Grid(4, 4, true, 0.3));
  hostapp::Tag* tag = AddTag(op);
  const hostapp::Container& bc = tag->Data();
  EXPECT_EQ(bc.GetInt32(ITERATIONS, -1), 2);
  EXPECT_EQ(bc.GetInt32(SMOOTHTYPE, -1), 1);
  EXPECT_EQ(bc.GetInt32(PINBORDER, -1), 0);
  EXPECT_EQ(bc.GetFloat(STEP, -1.0), 1.0);
  EXPECT_EQ(bc.GetInt32(USEVERTEXMAP, -1), 1);
  EXPECT_FALSE(bc.Has(SMOOTHONLY));
  EXPECT_EQ(Status(tag), BoundText(0));
  EXPECT_FALSE(Written(tag).bound);

  EXPECT_EQ(Execute(tag), C4D_EXECUTIONRESULT_OK);
  EXPECT_EQ(Status(tag), String(1003));
  EXPECT_FALSE(Written(tag).bound);  // live: only the flag is stored
}

TEST_F(BindTagTest, BindFreezesUnbindReturnsToLive) {
  // 25 x 39 quads: 1040 points.
  auto* op = AddMesh(testmesh::Grid(25, 39, false, 0.5));
  const int64_t n = static_cast<int64_t>(op->Points().size());
  hostapp::Tag* tag = AddTag(op);
  ASSERT_TRUE(Press(tag, BIND));
  EXPECT_EQ(Status(tag), BoundText(n * 24));
  TagData frozen = Written(tag);
  EXPECT_TRUE(frozen.bound);
  EXPECT_EQ(static_cast<int64_t>(frozen.offsets.size()), n);
  for (int32_t id : {PINBORDER, SMOOTHTYPE, ITERATIONS, VERTEXMAP, STEP, USEVERTEXMAP}) EXPECT_FALSE(Enabled(tag, id)) << id;
  for (int32_t id : {BIND, UNBIND, STATUS, SMOOTHONLY}) EXPECT_TRUE(Enabled(tag, id)) << id;

  // A frozen tag ignores changes of the rest mesh that keep the point count.
  op->Points()[3].z += 1.0;
  EXPECT_EQ(Execute(tag), C4D_EXECUTIONRESULT_OK);
  EXPECT_EQ(Written(tag).bytes, frozen.bytes);
  EXPECT_EQ(Status(tag), BoundText(n * 24));

  // Binding again recaptures from the current rest mesh and stays frozen.
  ASSERT_TRUE(Press(tag, BIND));
  TagData again = Written(tag);
  EXPECT_TRUE(again.bound);
  EXPECT_NE(again.bytes, frozen.bytes);

  ASSERT_TRUE(Press(tag, UNBIND));
  EXPECT_FALSE(Written(tag).bound);
  EXPECT_EQ(Status(tag), BoundText(n * 24));  // unchanged until the next execution
  EXPECT_TRUE(Enabled(tag, ITERATIONS));
  Execute(tag);
  EXPECT_EQ(Status(tag), String(1003));
  EXPECT_TRUE(Press(tag, 4242));  // any other button: nothing happens
}

TEST_F(BindTagTest, PointCountChangeUnfreezes) {
  auto* op = AddMesh(testmesh::Grid(3, 3));
  hostapp::Tag* tag = AddTag(op);
  ASSERT_TRUE(Press(tag, BIND));
  op->Points().push_back(C4D_Vector{9, 9, 9});
  Execute(tag);
  EXPECT_FALSE(Written(tag).bound);
  EXPECT_EQ(Status(tag), String(1003));
  // Bound again on the grown mesh it stores one offset per point.
  ASSERT_TRUE(Press(tag, BIND));
  EXPECT_EQ(Written(tag).offsets.size(), op->Points().size());
}

TEST_F(BindTagTest, NonPolygonObjectNeverCaptures) {
  hostapp::Object* null = AddObject(C4D_ONULL);
  hostapp::Tag* tag = AddTag(null);
  EXPECT_FALSE(Press(tag, BIND));
  EXPECT_FALSE(Written(tag).bound);
  EXPECT_EQ(Status(tag), BoundText(0));
  Execute(tag);
  EXPECT_EQ(Status(tag), String(1003));
}

TEST_F(BindTagTest, MismatchedVertexMapMakesBindFail) {
  auto* op = AddMesh(testmesh::Grid(3, 3));
  hostapp::Tag* tag = AddTag(op);
  auto map = std::make_unique<hostapp::VertexMapTag>();
  map->Weights().assign(op->Points().size() - 1, 1.0f);
  hostapp::VertexMapTag* raw = map.get();
  op->InsertTag(map.release(), nullptr);
  tag->Data().SetLink(VERTEXMAP, raw);
  tag->Data().SetInt32(USEVERTEXMAP, 0);  // even with the map switched off
  EXPECT_FALSE(Press(tag, BIND));
  EXPECT_FALSE(Written(tag).bound);
  raw->Weights().push_back(1.0f);
  EXPECT_TRUE(Press(tag, BIND));
}

TEST_F(BindTagTest, WriteThenReadRestoresFrozenAndLiveTags) {
  auto* op = AddMesh(testmesh::Grid(6, 5, true, 0.8));
  hostapp::Tag* tag = AddTag(op);
  ASSERT_TRUE(Press(tag, BIND));
  const TagData frozen = Written(tag);

  hostapp::Tag* copy = AddTag(op);
  ASSERT_TRUE(ReadInto(copy, frozen.bytes));
  EXPECT_EQ(Written(copy).bytes, frozen.bytes);

  hostapp::Tag* live = AddTag(op);
  const TagData liveData = Written(live);
  hostapp::Tag* liveCopy = AddTag(op);
  ASSERT_TRUE(ReadInto(liveCopy, liveData.bytes));
  EXPECT_EQ(Written(liveCopy).bytes, liveData.bytes);
  // Another disk level is accepted without data.
  hostapp::Tag* other = AddTag(op);
  EXPECT_TRUE(ReadInto(other, {}, 1));
  EXPECT_FALSE(Written(other).bound);
}

TEST_F(BindTagTest, DamagedStreamsLeaveALiveTagWithoutOffsets) {
  auto* op = AddMesh(testmesh::Grid(3, 2, true, 0.2));
  hostapp::Tag* tag = AddTag(op);
  ASSERT_TRUE(Press(tag, BIND));
  const std::vector<uint8_t> full = Written(tag).bytes;
  for (size_t cut = 0; cut < full.size(); ++cut) {
    hostapp::Tag* target = AddTag(op);
    ASSERT_TRUE(Press(target, BIND));  // something to lose
    const std::vector<uint8_t> part(full.begin(), full.begin() + static_cast<long>(cut));
    const bool ok = ReadInto(target, part);
    // A stream cut right after the flag false would be valid; here the flag is true.
    EXPECT_FALSE(ok) << "cut at " << cut;
    EXPECT_FALSE(Written(target).bound) << "cut at " << cut;
  }
  for (int32_t count : {-1, std::numeric_limits<int32_t>::max()}) {
    std::vector<uint8_t> bytes;
    hostapp::HyperFile out(&bytes);
    out.WriteBool(true);
    out.WriteInt32(count);
    out.WriteVector(C4D_Vector{1, 2, 3});
    hostapp::Tag* target = AddTag(op);
    EXPECT_FALSE(ReadInto(target, bytes)) << count;
    EXPECT_FALSE(Written(target).bound) << count;
  }
}

TEST_F(BindTagTest, DuplicatedObjectCarriesAFrozenCopy) {
  auto* op = AddMesh(testmesh::Grid(4, 3, false, 0.4));
  hostapp::Tag* tag = AddTag(op);
  ASSERT_TRUE(Press(tag, BIND));
  std::unique_ptr<hostapp::Object> clone = op->Clone(hostapp::CloneMode::kDuplicate);
  ASSERT_TRUE(clone);
  hostapp::Tag* copied = clone->FirstTag();
  ASSERT_NE(copied, nullptr);
  EXPECT_EQ(Written(copied).bytes, Written(tag).bytes);
}

// A failed write must not pass for a saved binding, wherever in the stream it happens.
TEST_F(BindTagTest, EveryFailedWriteIsReported) {
  auto* op = AddMesh(testmesh::Grid(2, 2, true, 0.2));
  hostapp::Tag* tag = AddTag(op);
  ASSERT_TRUE(Press(tag, BIND));
  const int64_t writes = 2 + static_cast<int64_t>(op->Points().size());  // flag, count, offsets
  for (int64_t k = 1; k <= writes + 1; ++k) {
    std::vector<uint8_t> bytes;
    hostapp::HyperFile out(&bytes);
    out.FailWriteAfter(k);
    EXPECT_EQ(tag->Hooks()->write(tag->Instance(), tag, &out), k > writes) << "write " << k;
  }
  hostapp::Tag* live = AddTag(op);
  std::vector<uint8_t> none;
  hostapp::HyperFile stream(&none);
  stream.FailWriteAfter(1);
  EXPECT_FALSE(live->Hooks()->write(live->Instance(), live, &stream));
}

// Makes each allocation of `action` fail in turn, after `prepare` has run unhindered;
// `check` sees whether the action reported success.
template <typename Prepare, typename Action, typename Check>
void SweepAllocations(Prepare prepare, Action action, Check check) {
  prepare();
  const int64_t before = hostapp::AllocationCount();
  action();
  const int64_t total = hostapp::AllocationCount() - before;
  ASSERT_GT(total, 0);
  for (int64_t k = 1; k <= total; ++k) {
    prepare();
    hostapp::FailAllocationAfter(k);
    const bool ok = action();
    hostapp::FailAllocationAfter(0);
    check(k, ok);
  }
}

TEST_F(BindTagTest, FailedAllocationsDuringBindLeaveTheTagAsItWas) {
  hostapp::SetProcessorCountForTesting(2);
  auto* op = AddMesh(testmesh::Grid(5, 4, true, 0.6));
  hostapp::Tag* tag = AddTag(op);
  ASSERT_TRUE(Press(tag, BIND));
  op->Points()[0].x += 0.25;  // a new bind would store other offsets
  const TagData before = Written(tag);
  SweepAllocations([&]() { ReadInto(tag, before.bytes); }, [&]() { return Press(tag, BIND); },
                   [&](int64_t k, bool ok) {
                     if (!ok) {
                       EXPECT_EQ(Written(tag).bytes, before.bytes) << "allocation " << k;
                     }
                   });
}

TEST_F(BindTagTest, FailedAllocationsDuringCopyNeverLeaveAFrozenTagWithoutOffsets) {
  auto* op = AddMesh(testmesh::Grid(5, 4, true, 0.6));
  hostapp::Tag* tag = AddTag(op);
  ASSERT_TRUE(Press(tag, BIND));
  const TagData frozen = Written(tag);
  int failures = 0;
  SweepAllocations([]() {},
                   [&]() {
                     std::unique_ptr<hostapp::Object> clone = op->Clone(hostapp::CloneMode::kDuplicate);
                     if (!clone || !clone->FirstTag()) return false;
                     const TagData copied = Written(clone->FirstTag());
                     // A copy that came through holds the whole binding, or none and is live.
                     EXPECT_TRUE(copied.bytes == frozen.bytes || !copied.bound);
                     return copied.bytes == frozen.bytes;
                   },
                   [&](int64_t, bool ok) { failures += ok ? 0 : 1; });
  EXPECT_GT(failures, 0);
}

TEST_F(BindTagTest, FailedAllocationsDuringReadLeaveALiveTag) {
  auto* op = AddMesh(testmesh::Grid(5, 4, true, 0.6));
  hostapp::Tag* source = AddTag(op);
  ASSERT_TRUE(Press(source, BIND));
  const TagData data = Written(source);
  hostapp::Tag* target = AddTag(op);
  SweepAllocations([]() {}, [&]() { return ReadInto(target, data.bytes); },
                   [&](int64_t k, bool ok) {
                     if (ok) {
                       EXPECT_EQ(Written(target).bytes, data.bytes) << k;
                     } else {
                       EXPECT_FALSE(Written(target).bound) << k;
                     }
                   });
}

}  // namespace
}  // namespace plugintest

#include "plugin_env.h"

#include "hostapp/scene/resource.h"
#include "hostapp/scene/tables.h"
#include "hostapp/services/strings.h"

namespace plugintest {
namespace {

hostapp::PluginLibrary* g_library = nullptr;
std::string g_error;

std::string OutstandingReport() {
  std::string r = "outstanding allocations:";
  for (const auto& e : hostapp::Outstanding())
    r += "\n  " + e.file + ": " + std::to_string(e.blocks) + " blocks, " + std::to_string(e.bytes) + " bytes";
  return r;
}

}  // namespace

// Ends the plug-in after the last test, as the host does when it closes, and lets go of
// what it registered, so that nothing the plug-in allocated outlives the program.
class LibraryEnvironment : public ::testing::Environment {
 public:
  void TearDown() override {
    if (!g_library) return;
    g_library->End();
    hostapp::Registry::Global().Reset();
    delete g_library;
    g_library = nullptr;
  }
};
const ::testing::Environment* const g_environment = ::testing::AddGlobalTestEnvironment(new LibraryEnvironment);

void PluginTest::SetUpTestSuite() {
  (void)g_environment;
  if (g_library || !g_error.empty()) return;
  std::unique_ptr<hostapp::PluginLibrary> lib = hostapp::PluginLibrary::Open(LibraryPath(), &g_error);
  if (lib && lib->Start(&g_error)) g_library = lib.release();  // lives for the test program, as in the host
}

void PluginTest::SetUp() {
  // A library that did not start fails every test (a failure in the suite's set-up would
  // only mark them skipped).
  ASSERT_NE(g_library, nullptr) << g_error;
  doc_ = std::make_unique<hostapp::Document>();
  outstanding_ = hostapp::OutstandingBlocks();
}

void PluginTest::TearDown() {
  hostapp::FailAllocationAfter(0);
  hostapp::FailThreadStartAfter(0);
  hostapp::SetProcessorCountForTesting(0);
  doc_.reset();
  EXPECT_EQ(hostapp::OutstandingBlocks(), outstanding_) << OutstandingReport();
}

hostapp::PolygonObject* PluginTest::AddMesh(const testmesh::Mesh& mesh, hostapp::Object* parent) {
  auto op = std::make_unique<hostapp::PolygonObject>();
  op->Points() = mesh.points;
  op->Polygons() = mesh.polygons;
  hostapp::PolygonObject* raw = op.get();
  doc_->InsertObject(std::move(op), parent, parent ? parent->DownLast() : doc_->LastObject());
  return raw;
}

hostapp::Tag* PluginTest::AddTag(hostapp::Object* op, int32_t type) {
  std::unique_ptr<hostapp::Tag> tag = hostapp::NodeTypes::Global().CreateTag(type);
  EXPECT_TRUE(tag) << "cannot create a tag of type " << type;
  if (!tag) return nullptr;
  hostapp::Tag* raw = tag.release();
  op->InsertTag(raw, nullptr);
  return raw;
}

hostapp::Object* PluginTest::AddObject(int32_t type, hostapp::Object* parent) {
  std::unique_ptr<hostapp::Object> op = hostapp::NodeTypes::Global().CreateObject(type);
  EXPECT_TRUE(op) << "cannot create an object of type " << type;
  if (!op) return nullptr;
  return doc_->InsertObject(std::move(op), parent, parent ? parent->DownLast() : doc_->LastObject());
}

bool PluginTest::Press(hostapp::Tag* tag, int32_t button) {
  C4D_DescriptionCommand cmd{button};
  return tag->Message(C4D_MSG_DESCRIPTION_COMMAND, &cmd);
}

int32_t PluginTest::Execute(hostapp::Tag* tag) {
  const hostapp::PluginInfo* plugin = tag->Plugin();
  return plugin->tag.execute(tag->Instance(), tag, doc_.get(), tag->GetObject(), nullptr, 0, 0);
}

TagData PluginTest::Written(hostapp::Tag* tag) {
  TagData d;
  hostapp::HyperFile out(&d.bytes);
  EXPECT_TRUE(tag->Hooks()->write(tag->Instance(), tag, &out));
  hostapp::HyperFile in(d.bytes.data(), d.bytes.size());
  EXPECT_TRUE(in.ReadBool(&d.bound));
  if (d.bound) {
    int32_t n = 0;
    EXPECT_TRUE(in.ReadInt32(&n));
    d.offsets.resize(static_cast<size_t>(n));
    for (auto& v : d.offsets) EXPECT_TRUE(in.ReadVector(&v));
  }
  EXPECT_EQ(in.Remaining(), 0);
  return d;
}

bool PluginTest::ReadInto(hostapp::Tag* tag, const std::vector<uint8_t>& bytes, int32_t level) {
  hostapp::HyperFile in(bytes.data(), bytes.size());
  return tag->Hooks()->read(tag->Instance(), tag, &in, level);
}

bool PluginTest::Enabled(hostapp::Tag* tag, int32_t id) {
  return tag->Hooks()->get_denabling(tag->Instance(), tag, id);
}

std::string PluginTest::Status(hostapp::Tag* tag) { return tag->Data().GetString(1002); }

std::string PluginTest::SizeText(int64_t bytes) {
  const C4D_StringTable* t = hostapp::stringTable();
  C4D_String* s = t->string_alloc();
  t->string_memory_size(s, bytes);
  int64_t len = 0;
  std::string text = t->string_get(s, &len);
  t->string_free(s);
  return text;
}

std::string PluginTest::String(int32_t id) {
  std::string error;
  auto res = hostapp::Resource::Load(std::string(TAVREN_SOURCE_DIR), &error);
  return res ? res->String(id) : std::string();
}

}  // namespace plugintest

// Scene files: bit-exact round trips (plug-in data included), refusal of every kind of
// damage without a half-loaded document, and atomic saves that never lose the old file.
#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <limits>

#include "hostapp/scene/hyperfile.h"
#include "hostapp/scene/scenefile.h"
#include "scene/scene_fixture.h"
#include "scene/temp_dir.h"

using namespace hostapp;

namespace {

std::vector<uint8_t> Serialize(const Document& doc) {
  std::vector<uint8_t> bytes;
  std::string error;
  EXPECT_TRUE(SerializeDocument(doc, &bytes, &error)) << error;
  return bytes;
}

std::unique_ptr<Document> Parse(const std::vector<uint8_t>& bytes, std::string* error, size_t size = SIZE_MAX) {
  return ParseDocument(bytes.data(), std::min(size, bytes.size()), "scene.tvs", error);
}

// in: payload. out: a whole file around it with a valid header.
std::vector<uint8_t> Wrap(const std::vector<uint8_t>& payload) {
  std::vector<uint8_t> out(kSceneMagic, kSceneMagic + 8);
  auto put = [&](uint64_t v, int n) {
    for (int i = 0; i < n; ++i) out.push_back(static_cast<uint8_t>(v >> (8 * i)));
  };
  put(kSceneFormatVersion, 4);
  put(0, 4);
  put(payload.size(), 8);
  put(SceneChecksum(payload.data(), payload.size()), 8);
  out.insert(out.end(), payload.begin(), payload.end());
  return out;
}

std::vector<uint8_t> PayloadOf(const std::vector<uint8_t>& file) {
  return std::vector<uint8_t>(file.begin() + kSceneHeaderSize, file.end());
}

std::vector<uint8_t> ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

bool SameBits(const void* a, const void* b, size_t n) { return std::memcmp(a, b, n) == 0; }

}  // namespace

class SceneFiles : public SceneTest {
 protected:
  // rig(null) { mesh(polygon; tags: bind (plug-in), weights (vertex map)), deformer
  // (plug-in object) }, empty(null). Values chosen to catch any loss of bits.
  void Build(Document& doc) {
    Object* rig = Add(doc, C4D_ONULL, "rig");
    auto* mesh = static_cast<PolygonObject*>(Add(doc, C4D_OPOLYGON, "m\xC3\xA9sh", rig));
    double nan = std::numeric_limits<double>::quiet_NaN();
    mesh->Points() = {{-0.0, 0.1, 1e-310}, {1, 2, 3}, {-1.7976931348623157e308, -1e300, 1.0 / 3}, {4, 5, 6}};
    mesh->Polygons() = {{0, 1, 2, 2}, {0, 2, 3, 1}};
    mesh->SetMl(C4D_Matrix{{0.5, -7, 1e-9}, {0, 1, 0}, {-1, 0, 0}, {0, 0, 1.0 / 7}});
    mesh->SetBit(C4D_BIT_ACTIVE, true);
    mesh->SetState(C4D_OBJECT_DEFORM, false);
    auto* weights = static_cast<VertexMapTag*>(NewTag(C4D_TVERTEXMAP).release());
    weights->Weights() = {0.0f, 0.5f, std::numeric_limits<float>::denorm_min(), 1.0f};
    weights->SetBit(C4D_BIT_ACTIVE, true);
    Tag* bind = NewTag(fake::kTagId).release();
    mesh->InsertTag(bind);
    mesh->InsertTag(weights, bind);
    fake::Of(bind->Instance())->value = 42;
    fake::Of(bind->Instance())->data = {{0.1, 0.2, 0.3}, {-0.0, nan, 1e-310}};
    bind->Data().SetFloat(1008, 0.1);
    bind->Data().SetVector(3, C4D_Vector{1, -2, 3});
    bind->Data().SetString(1002, "Bound: 48 B \"ok\"");
    bind->Data().SetLink(1007, weights);
    Object* deformer = Add(doc, fake::kObjectId, "deformer", rig);
    Tag* gone = NewTag(fake::kTagId).release();
    InExclude list;
    list.Add(bind);
    list.Add(gone);
    list.Add(weights);
    deformer->Data().SetInExclude(1001, list);
    delete gone;  // a dangling entry
    deformer->Data().SetLink(5, outside_.get());  // not in the document: stored empty
    Add(doc, C4D_ONULL, "empty");
  }

  std::unique_ptr<Object> outside_ = NewObject(C4D_ONULL, "outside");
};

TEST_F(SceneFiles, RoundTripIsBitExactIncludingPluginData) {
  Document doc;
  Build(doc);
  std::vector<uint8_t> bytes = Serialize(doc);
  std::string error;
  fake::calls.last_level = -1;
  std::unique_ptr<Document> back = Parse(bytes, &error);
  ASSERT_NE(back, nullptr) << error;
  EXPECT_EQ(fake::calls.last_level, 0);
  EXPECT_EQ(Serialize(*back), bytes);

  Object* mesh_back = back->FindObject("m\xC3\xA9sh");
  auto* mesh = ToPolygonObject(doc.FindObject("m\xC3\xA9sh"));
  auto* mb = ToPolygonObject(mesh_back);
  ASSERT_NE(mb, nullptr);
  ASSERT_EQ(mb->Points().size(), mesh->Points().size());
  EXPECT_TRUE(SameBits(mb->Points().data(), mesh->Points().data(), mesh->Points().size() * sizeof(C4D_Vector)));
  EXPECT_TRUE(SameBits(mb->Polygons().data(), mesh->Polygons().data(), 2 * sizeof(C4D_CPolygon)));
  EXPECT_TRUE(SameBits(&mb->Ml(), &mesh->Ml(), sizeof(C4D_Matrix)));
  EXPECT_TRUE(mb->GetBit(C4D_BIT_ACTIVE));
  EXPECT_FALSE(mb->GetState(C4D_OBJECT_DEFORM));
  EXPECT_EQ(mb->Up()->Name(), "rig");

  Tag* bind = mb->FirstTag();
  ASSERT_EQ(bind->Type(), fake::kTagId);
  EXPECT_EQ(fake::Of(bind->Instance())->value, 42);
  ASSERT_EQ(fake::Of(bind->Instance())->data.size(), 2u);
  EXPECT_TRUE(SameBits(fake::Of(bind->Instance())->data.data(),
                       fake::Of(mesh->FirstTag()->Instance())->data.data(), 2 * sizeof(C4D_Vector)));
  EXPECT_EQ(bind->Data().GetString(1002), "Bound: 48 B \"ok\"");
  auto* weights = static_cast<VertexMapTag*>(bind->Next());
  EXPECT_EQ(bind->Data().GetLink(1007), weights);  // re-resolved inside the loaded document
  EXPECT_TRUE(weights->GetBit(C4D_BIT_ACTIVE));
  EXPECT_EQ(weights->Weights(), static_cast<VertexMapTag*>(mesh->FirstTag()->Next())->Weights());

  Object* deformer = back->FindObject("deformer");
  const InExclude* list = deformer->Data().GetInExclude(1001);
  ASSERT_NE(list, nullptr);
  ASSERT_EQ(list->Count(), 3);
  EXPECT_EQ(list->Get(0), bind);
  EXPECT_EQ(list->Get(1), nullptr);
  EXPECT_EQ(list->Get(2), weights);
  EXPECT_TRUE(deformer->Data().Has(5));
  EXPECT_EQ(deformer->Data().GetLink(5), nullptr);
  EXPECT_EQ(back->LastObject()->Name(), "empty");

  // Through the disk as well.
  TempDir dir;
  const std::string path = dir.File("scene.tvs");
  ASSERT_TRUE(SaveDocument(*back, path, &error)) << error;
  EXPECT_EQ(ReadFile(path), bytes);
  std::unique_ptr<Document> loaded = LoadDocument(path, &error);
  ASSERT_NE(loaded, nullptr) << error;
  EXPECT_EQ(Serialize(*loaded), bytes);
}

TEST_F(SceneFiles, AnEmptyDocumentRoundTrips) {
  Document doc;
  std::string error;
  std::unique_ptr<Document> back = Parse(Serialize(doc), &error);
  ASSERT_NE(back, nullptr) << error;
  EXPECT_EQ(back->FirstObject(), nullptr);
}

TEST_F(SceneFiles, EveryFlippedByteAndEveryTruncationIsRefused) {
  Document doc;
  Build(doc);
  const std::vector<uint8_t> bytes = Serialize(doc);
  for (size_t i = 0; i < bytes.size(); ++i) {
    std::vector<uint8_t> bad = bytes;
    bad[i] ^= 0x5A;
    std::string error;
    EXPECT_EQ(Parse(bad, &error), nullptr) << "byte " << i;
    EXPECT_EQ(error.rfind("scene.tvs: ", 0), 0u) << error;
  }
  for (size_t n = 0; n < bytes.size(); ++n) {
    std::string error;
    EXPECT_EQ(Parse(bytes, &error, n), nullptr) << "length " << n;
    EXPECT_FALSE(error.empty());
  }
  std::vector<uint8_t> longer = bytes;
  longer.push_back(0);
  std::string error;
  EXPECT_EQ(Parse(longer, &error), nullptr);
}

// Damage that a checksum cannot catch (a file written wrongly and signed): the parser
// itself must refuse it or build a consistent document, and never read out of bounds.
TEST_F(SceneFiles, ThePayloadParserSurvivesDamageBehindAValidChecksum) {
  Document doc;
  Build(doc);
  const std::vector<uint8_t> payload = PayloadOf(Serialize(doc));
  int refused = 0;
  for (size_t i = 0; i < payload.size(); ++i) {
    for (uint8_t flip : {uint8_t(0x01), uint8_t(0x80), uint8_t(0xFF)}) {
      std::vector<uint8_t> bad = payload;
      bad[i] ^= flip;
      std::string error;
      std::unique_ptr<Document> d = Parse(Wrap(bad), &error);
      if (!d) {
        ++refused;
        EXPECT_FALSE(error.empty());
      } else {
        std::vector<uint8_t> again;
        EXPECT_TRUE(SerializeDocument(*d, &again, &error));
      }
    }
  }
  EXPECT_GT(refused, static_cast<int>(payload.size()));
  for (size_t n = 0; n < payload.size(); ++n) {
    std::string error;
    std::vector<uint8_t> cut(payload.begin(), payload.begin() + static_cast<long>(n));
    EXPECT_EQ(Parse(Wrap(cut), &error), nullptr) << "payload length " << n;
  }
}

TEST_F(SceneFiles, DamageIsNamedPlainly) {
  Document doc;
  Add(doc, C4D_ONULL, "only");
  const std::vector<uint8_t> good = Serialize(doc);
  std::string error;

  std::vector<uint8_t> bad = good;
  bad[0] = 'X';
  Parse(bad, &error);
  EXPECT_EQ(error, "scene.tvs: not a Tavren scene file (wrong magic)");
  bad = good;
  bad[8] = 2;
  Parse(bad, &error);
  EXPECT_EQ(error, "scene.tvs: unsupported format version 2 (this host reads 1)");
  Parse(good, &error, 20);
  EXPECT_EQ(error, "scene.tvs: truncated: the header is incomplete");
  Parse(good, &error, good.size() - 1);
  EXPECT_NE(error.find("truncated: "), std::string::npos);
  bad = good;
  bad.back() ^= 1;
  Parse(bad, &error);
  EXPECT_EQ(error, "scene.tvs: damaged: the checksum does not match the data");

  std::vector<uint8_t> payload;
  HyperFile hf(&payload);
  hf.WriteInt32(1000);
  hf.WriteInt32(0);
  EXPECT_EQ(Parse(Wrap(payload), &error), nullptr);
  EXPECT_NE(error.find("top-level object count 1000 is beyond the data"), std::string::npos) << error;

  // An object type no built-in and no loaded plug-in provides.
  payload = PayloadOf(good);
  const int32_t null_type = C4D_ONULL;
  auto at = std::search(payload.begin(), payload.end(), reinterpret_cast<const uint8_t*>(&null_type),
                        reinterpret_cast<const uint8_t*>(&null_type) + 4);
  ASSERT_NE(at, payload.end());
  const int32_t unknown = 1035447;
  std::memcpy(&*at, &unknown, 4);
  EXPECT_EQ(Parse(Wrap(payload), &error), nullptr);
  EXPECT_EQ(error, "scene.tvs: unknown object type 1035447 (no built-in type and no loaded plug-in has this id)");

  // A link to a node the file does not hold.
  Document linked;
  Object* op = Add(linked, C4D_ONULL, "a");
  op->Data().SetLink(1, op);
  payload = PayloadOf(Serialize(linked));
  std::vector<uint8_t> index0 = {HyperFile::kTagInt32, 0, 0, 0, 0};
  std::vector<uint8_t> link_kind = {HyperFile::kTagInt32, 4, 0, 0, 0};
  auto kind = std::search(payload.begin(), payload.end(), link_kind.begin(), link_kind.end());
  ASSERT_NE(kind, payload.end());
  ASSERT_TRUE(std::equal(index0.begin(), index0.end(), kind + 5));
  kind[6] = 9;
  EXPECT_EQ(Parse(Wrap(payload), &error), nullptr);
  EXPECT_EQ(error, "scene.tvs: a link points to node 9, but the file holds 1 nodes");

  EXPECT_EQ(LoadDocument("/nonexistent/scene.tvs", &error), nullptr);
  EXPECT_EQ(error.rfind("/nonexistent/scene.tvs: cannot open the file", 0), 0u) << error;
}

TEST_F(SceneFiles, UnknownPluginTypesAndFailingReadHooksFailTheLoad) {
  Document doc;
  Object* mesh = Add(doc, C4D_OPOLYGON, "mesh");
  mesh->InsertTag(NewTag(fake::kTagId).release());
  const std::vector<uint8_t> bytes = Serialize(doc);
  std::string error;

  fake::calls.fail_read = true;
  EXPECT_EQ(Parse(bytes, &error), nullptr);
  EXPECT_NE(error.find("the plug-in could not read the data of the tag 'Fake Tag' (type 1999001)"),
            std::string::npos)
      << error;
  fake::calls.fail_read = false;
  fake::calls.fail_alloc = true;
  EXPECT_EQ(Parse(bytes, &error), nullptr);
  EXPECT_NE(error.find("could not create a tag of type 1999001"), std::string::npos) << error;
  fake::calls.fail_alloc = false;

  // The plug-in is no longer loaded.
  Registry::Global().Reset();
  EXPECT_EQ(Parse(bytes, &error), nullptr);
  EXPECT_EQ(error, "scene.tvs: unknown tag type 1999001 (no built-in type and no loaded plug-in has this id)");
}

// A file of one chain of null objects, levels deep, put together from the encoding of one
// null object (which does not depend on where it sits).
std::vector<uint8_t> ChainFile(const std::vector<uint8_t>& one_null_file, int levels) {
  const std::vector<uint8_t> payload = PayloadOf(one_null_file);
  // payload: Int32 1 (top-level count), the object, its Int32 0 child count last; an Int32
  // is its type tag and four bytes.
  const int64_t int32_size = HyperFile::kInt32Size;
  const std::vector<uint8_t> object(payload.begin() + int32_size, payload.end() - int32_size);
  std::vector<uint8_t> chain(payload.begin(), payload.begin() + int32_size);
  for (int i = 0; i < levels; ++i) {
    chain.insert(chain.end(), object.begin(), object.end());
    const uint8_t children = i + 1 < levels ? 1 : 0;
    chain.insert(chain.end(), {HyperFile::kTagInt32, children, 0, 0, 0});
  }
  return Wrap(chain);
}

TEST_F(SceneFiles, HierarchiesDeeperThanTheLimitAreNeitherWrittenNorRead) {
  TempDir dir;
  const std::string path = dir.File("deep.tvs");
  Document doc;
  Object* parent = Add(doc, C4D_ONULL, "0");
  for (int i = 1; i <= kSceneMaxDepth; ++i) parent = Add(doc, C4D_ONULL, std::to_string(i), parent);
  std::vector<uint8_t> bytes;
  std::string error;
  // Writing refuses what reading would: no file appears.
  EXPECT_FALSE(SerializeDocument(doc, &bytes, &error));
  EXPECT_EQ(error, "the object '1024' is nested deeper than 1024 levels, the most a scene file holds");
  EXPECT_FALSE(SaveDocument(doc, path, &error));
  EXPECT_EQ(error.rfind(path + ": the object '1024' is nested deeper", 0), 0u) << error;
  EXPECT_TRUE(std::filesystem::is_empty(dir.Path()));

  delete parent;  // now exactly at the limit: written and read back
  ASSERT_TRUE(SaveDocument(doc, path, &error)) << error;
  std::unique_ptr<Document> back = LoadDocument(path, &error);
  ASSERT_NE(back, nullptr) << error;
  EXPECT_EQ(back->AllObjects().size(), static_cast<size_t>(kSceneMaxDepth));

  // Files made elsewhere: one level too deep, and far too deep, refused without a crash.
  Document one;
  Add(one, C4D_ONULL, "x");
  const std::vector<uint8_t> single = Serialize(one);
  EXPECT_NE(Parse(ChainFile(single, kSceneMaxDepth), &error), nullptr) << error;
  for (int levels : {kSceneMaxDepth + 1, 100000}) {
    EXPECT_EQ(Parse(ChainFile(single, levels), &error), nullptr) << levels;
    EXPECT_NE(error.find("objects nested deeper than 1024"), std::string::npos) << error;
  }
}

TEST_F(SceneFiles, GeometryNoSceneMayHoldIsNeitherWrittenNorRead) {
  const double inf = std::numeric_limits<double>::infinity(), nan = std::numeric_limits<double>::quiet_NaN();
  struct Case {
    std::vector<C4D_Vector> points;
    std::vector<C4D_CPolygon> polygons;
    std::vector<float> weights;
    std::string what;
  };
  const std::vector<Case> cases = {
      {{{0, 0, 0}, {1, nan, 0}}, {}, {}, "the object 'mesh' (type 5100) holds what no scene file may: point 1 is not finite"},
      {{{0, 0, 0}, {1, 0, -inf}}, {}, {}, "point 1 is not finite"},
      {{{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}, {{0, 1, 5, 5}}, {}, "polygon 0 uses point 5, outside its 3 points"},
      {{{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}, {{0, 1, 2, -2147483647 - 1}}, {}, "uses point -2147483648"},
      {{{0, 0, 0}, {1, 0, 0}}, {}, {0.5f, std::numeric_limits<float>::quiet_NaN()}, "weight 1 is not finite"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Document doc;
    auto* mesh = static_cast<PolygonObject*>(Add(doc, C4D_OPOLYGON, "mesh"));
    mesh->Points() = c.points;
    mesh->Polygons() = c.polygons;
    if (!c.weights.empty()) {
      auto* weights = static_cast<VertexMapTag*>(NewTag(C4D_TVERTEXMAP).release());
      weights->Weights() = c.weights;
      mesh->InsertTag(weights);
    }
    std::vector<uint8_t> bytes;
    std::string error;
    EXPECT_FALSE(SerializeDocument(doc, &bytes, &error));
    EXPECT_NE(error.find(c.what), std::string::npos) << error;
  }

  // The same held by a file: a sound one, edited.
  Document doc;
  auto* mesh = static_cast<PolygonObject*>(Add(doc, C4D_OPOLYGON, "mesh"));
  mesh->Points() = {{0, 0, 0}, {1, 2, 3.5}};
  mesh->Polygons() = {{0, 1, 1, 1}};
  const std::vector<uint8_t> payload = PayloadOf(Serialize(doc));
  auto edited = [&payload](const std::vector<uint8_t>& from, const std::vector<uint8_t>& to) {
    std::vector<uint8_t> p = payload;
    auto at = std::search(p.begin(), p.end(), from.begin(), from.end());
    EXPECT_NE(at, p.end());
    if (at != p.end()) std::copy(to.begin(), to.end(), at);
    return Wrap(p);
  };
  auto bytes_of = [](double d) {
    std::vector<uint8_t> b(8);
    std::memcpy(b.data(), &d, 8);
    return b;
  };
  std::string error;
  EXPECT_EQ(Parse(edited(bytes_of(3.5), bytes_of(nan)), &error), nullptr);
  EXPECT_NE(error.find("the object 'mesh' (type 5100): point 1 is not finite"), std::string::npos) << error;
  const uint8_t i = HyperFile::kTagInt32;
  EXPECT_EQ(Parse(edited({i, 0, 0, 0, 0, i, 1, 0, 0, 0, i, 1, 0, 0, 0, i, 1, 0, 0, 0},
                         {i, 0, 0, 0, 0, i, 1, 0, 0, 0, i, 1, 0, 0, 0, i, 5, 0, 0, 0}),
                  &error),
            nullptr);
  EXPECT_NE(error.find("polygon 0 uses point 5, outside its 2 points"), std::string::npos) << error;
}

TEST_F(SceneFiles, FilesAreJudgedByTheirSizeAndHeaderBeforeTheirPayloadIsRead) {
  TempDir dir;
  std::string error;
  // Too large: refused by its size alone (the sparse file takes no room and is never read).
  const std::string huge = dir.File("huge.tvs");
  std::ofstream(huge).close();
  std::filesystem::resize_file(huge, (uint64_t{2} << 30) + 5);
  EXPECT_EQ(LoadDocument(huge, &error), nullptr);
  EXPECT_NE(error.find("huge.tvs: file too large (2147483653 bytes"), std::string::npos) << error;
  // A large file of something else: refused by its magic; one that announces another size
  // than it has: refused by its header.
  const std::string other = dir.File("other.tvs");
  std::ofstream(other) << "PK\x03\x04 not a scene";
  std::filesystem::resize_file(other, uint64_t{1} << 30);
  EXPECT_EQ(LoadDocument(other, &error), nullptr);
  EXPECT_NE(error.find("other.tvs: not a Tavren scene file (wrong magic)"), std::string::npos) << error;
  Document doc;
  Add(doc, C4D_ONULL, "n");
  std::vector<uint8_t> bytes = Serialize(doc);
  const std::string grown = dir.File("grown.tvs");
  std::ofstream(grown, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), bytes.size());
  std::filesystem::resize_file(grown, uint64_t{1} << 30);
  EXPECT_EQ(LoadDocument(grown, &error), nullptr);
  EXPECT_NE(error.find("damaged: " + std::to_string((uint64_t{1} << 30) - kSceneHeaderSize) +
                       " payload bytes present, the header announces " +
                       std::to_string(bytes.size() - kSceneHeaderSize)),
            std::string::npos)
      << error;
  // A name with a line break in it is printed escaped, on one line.
  const std::string odd = dir.File("two\nlines.tvs");
  std::ofstream(odd) << "x";
  EXPECT_EQ(LoadDocument(odd, &error), nullptr);
  EXPECT_NE(error.find("two\\nlines.tvs: not a Tavren scene file"), std::string::npos) << error;
}

TEST_F(SceneFiles, AFailedSaveLeavesThePreviousFileAndNoLeftovers) {
  TempDir dir;
  const std::string path = dir.File("scene.tvs");
  Document v1;
  Add(v1, C4D_ONULL, "version 1");
  std::string error;
  ASSERT_TRUE(SaveDocument(v1, path, &error)) << error;
  const std::vector<uint8_t> saved = ReadFile(path);

  Document v2;
  Build(v2);
  SetSceneWriteLimitForTesting(40);  // the disk fills up mid-file
  EXPECT_FALSE(SaveDocument(v2, path, &error));
  SetSceneWriteLimitForTesting(-1);
  EXPECT_NE(error.find("write failed"), std::string::npos) << error;
  EXPECT_NE(error.find("the previous file is unchanged"), std::string::npos) << error;
  EXPECT_EQ(ReadFile(path), saved);

  // The temporary file cannot be created: its name (the target's and 17 more characters)
  // is longer than a folder entry may be.
  const std::string long_path = dir.Write(std::string(250, 'n'), "old");
  EXPECT_FALSE(SaveDocument(v2, long_path, &error));
  EXPECT_NE(error.find("cannot create a temporary file beside it"), std::string::npos) << error;
  EXPECT_NE(error.find("the previous file is unchanged"), std::string::npos) << error;
  EXPECT_EQ(ReadFile(long_path), std::vector<uint8_t>({'o', 'l', 'd'}));
  std::filesystem::remove(long_path);

  // A plug-in that cannot write its data: nothing is written at all.
  fake::calls.fail_write = true;
  EXPECT_FALSE(SaveDocument(v2, path, &error));
  fake::calls.fail_write = false;
  EXPECT_NE(error.find("the tag 'Fake Tag' (type 1999001) could not write its plug-in data"),
            std::string::npos)
      << error;
  EXPECT_EQ(ReadFile(path), saved);

  int files = 0;
  for (const auto& e : std::filesystem::directory_iterator(dir.Path())) files += e.is_regular_file();
  EXPECT_EQ(files, 1);

  ASSERT_TRUE(SaveDocument(v2, path, &error)) << error;
  EXPECT_EQ(ReadFile(path), Serialize(v2));
}

TEST_F(SceneFiles, SavingNeverWritesThroughALinkPlantedAtATemporaryName) {
  TempDir dir;
  const std::string path = dir.File("b.tvs");
  const std::string victim = dir.Write("victim.txt", "keep me");
  // The names a writer with predictable temporary names would use.
  for (const std::string& planted : {path + ".tmp." + std::to_string(::getpid()), path + ".tmp", path + ".tmp.0"}) {
    std::filesystem::create_symlink(victim, planted);
  }
  Document doc;
  Build(doc);
  std::string error;
  ASSERT_TRUE(SaveDocument(doc, path, &error)) << error;
  EXPECT_EQ(ReadFile(victim), std::vector<uint8_t>({'k', 'e', 'e', 'p', ' ', 'm', 'e'}));
  EXPECT_EQ(ReadFile(path), Serialize(doc));
  EXPECT_FALSE(std::filesystem::is_symlink(path));
}

TEST_F(SceneFiles, UndoRestoresTheSceneByteForByte) {
  Document doc;
  Build(doc);
  const std::vector<uint8_t> before = Serialize(doc);
  Object* mesh = doc.FindObject("m\xC3\xA9sh");
  doc.StartUndo();
  Tag* tag = NewTag(fake::kTagId).release();
  mesh->InsertTag(tag);
  doc.AddUndo(C4D_UNDOTYPE_NEW, tag);
  Object* deformer = NewObject(fake::kObjectId).release();
  deformer->InsertUnderLast(mesh);
  doc.AddUndo(C4D_UNDOTYPE_NEW, deformer);
  doc.EndUndo();
  ASSERT_NE(Serialize(doc), before);
  ASSERT_TRUE(doc.Undo());
  EXPECT_EQ(Serialize(doc), before);
}

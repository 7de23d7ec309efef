// glTF import: a small hand-made scene with known answers (welding, weight repair, each
// interpolation, hierarchy composition, skinning), the three shared characters, and every
// failure path reported as one line naming the file.
#include "hostapp/io/gltf.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "io/gltf_builder.h"
#include "io/temp_dir.h"

namespace {

using hostapp::GltfScene;
using hostapp_test::GltfBuilder;
using hostapp_test::TempDir;
using nlohmann::json;

constexpr int kU8 = 5121, kU16 = 5123;
constexpr int kKnee = 0, kHip = 1;  // joint indices in the skin's list (nodes 1 and 0)

// Two joints, hip (node 0, root) and knee (node 1, one up), and a mesh node (node 2, moved
// by 7 in x, which skinning ignores). Six glTF vertices weld into four points.
GltfBuilder TwoJointScene() {
  GltfBuilder b;
  const float s45 = static_cast<float>(std::sqrt(0.5));
  int pos = b.Floats({0, 0, 0, 1, 0, 0, 1, 2, 0, 0, 2, 0, 1, 0, 0, -0.0f, 2, 0}, "VEC3");
  int joints = b.Add(std::vector<uint8_t>{kHip, 9, 0, 0, kHip, kKnee, 0, 0, kKnee, 0, 0, 0,
                                          0,    1, 0, 0, kHip, kKnee, 0, 0, kKnee, 0, 0, 0},
                     "VEC4", kU8);
  int weights = b.Floats({1, 0, 0, 0, .5f, .5f, 0, 0, .5f, 0, 0, 0, 0, 0, 0, 0, .5f, .5f, 0, 0, 1, 0, 0, 0}, "VEC4");
  int indices = b.Add(std::vector<uint16_t>{0, 1, 2, 0, 2, 3, 4, 2, 5}, "SCALAR", kU16);
  int ibm = b.Floats({1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, -1, 0, 1,   // knee: back down by 1
                      1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0,  0, 1},  // hip: identity
                     "MAT4");
  int t_rot = b.Floats({1, 2}, "SCALAR");
  int rot = b.Floats({0, 0, 0, 1, 0, 0, s45, s45}, "VEC4");
  int t_step = b.Floats({0, 1}, "SCALAR");
  int move = b.Floats({0, 0, 0, 5, 0, 0}, "VEC3");
  int t_cubic = b.Floats({0, 2}, "SCALAR");
  int grow = b.Floats({9, 9, 9, 1, 1, 1, 9, 9, 9, 9, 9, 9, 3, 3, 3, 9, 9, 9}, "VEC3");
  b.doc["nodes"] = json::array({
      {{"name", "hip"}, {"children", {1}}},
      {{"name", "knee"}, {"translation", {0, 1, 0}}},
      {{"name", "body"}, {"mesh", 0}, {"skin", 0}, {"translation", {7, 0, 0}}},
  });
  b.doc["scenes"] = json::array({{{"nodes", {0, 2}}}});
  b.doc["meshes"] = json::array({{{"name", "legs"},
                                  {"primitives",
                                   {{{"attributes", {{"POSITION", pos}, {"JOINTS_0", joints}, {"WEIGHTS_0", weights}}},
                                     {"indices", indices}}}}}});
  b.doc["skins"] = json::array({{{"joints", {1, 0}}, {"inverseBindMatrices", ibm}}});
  b.doc["animations"] = json::array({{
      {"channels",
       {{{"sampler", 0}, {"target", {{"node", 1}, {"path", "rotation"}}}},
        {{"sampler", 1}, {"target", {{"node", 0}, {"path", "translation"}}}},
        {{"sampler", 2}, {"target", {{"node", 0}, {"path", "scale"}}}},
        {{"sampler", 1}, {"target", {{"node", 2}, {"path", "weights"}}}}}},
      {"samplers",
       {{{"input", t_rot}, {"output", rot}},
        {{"input", t_step}, {"output", move}, {"interpolation", "STEP"}},
        {{"input", t_cubic}, {"output", grow}, {"interpolation", "CUBICSPLINE"}}}},
  }});
  return b;
}

void ExpectNear(const C4D_Vector& a, const C4D_Vector& b, double tol, const std::string& what) {
  EXPECT_NEAR(a.x, b.x, tol) << what;
  EXPECT_NEAR(a.y, b.y, tol) << what;
  EXPECT_NEAR(a.z, b.z, tol) << what;
}

C4D_Vector Apply(const C4D_Matrix& m, const C4D_Vector& p) {
  return {m.off.x + p.x * m.v1.x + p.y * m.v2.x + p.z * m.v3.x, m.off.y + p.x * m.v1.y + p.y * m.v2.y + p.z * m.v3.y,
          m.off.z + p.x * m.v1.z + p.y * m.v2.z + p.z * m.v3.z};
}

double Length(const C4D_Vector& v) { return std::sqrt(v.x * v.x + v.y * v.y + v.z * v.z); }
double Dot(const C4D_Vector& a, const C4D_Vector& b) { return a.x * b.x + a.y * b.y + a.z * b.z; }

TEST(ReadGltf, WeldsPointsAndRepairsWeights) {
  TempDir dir;
  GltfScene s;
  std::string error;
  ASSERT_TRUE(hostapp::ReadGltf(dir.Write("s.gltf", TwoJointScene().Text()), &s, &error)) << error;
  ASSERT_EQ(s.meshes.size(), 1u);
  const hostapp::GltfSkinnedMesh& m = s.meshes[0];
  EXPECT_EQ(m.name, "legs");
  EXPECT_EQ(m.node, 2);
  EXPECT_EQ(s.skins[0].root_joint, kHip);
  EXPECT_EQ(m.vertex_to_point, (std::vector<int32_t>{0, 1, 2, 3, 1, 3}));  // -0 welds with +0
  ASSERT_EQ(m.points.size(), 4u);
  ASSERT_EQ(m.polygons.size(), 3u);
  EXPECT_EQ(m.polygons[2].a, 1);
  EXPECT_EQ(m.polygons[2].b, 2);
  EXPECT_EQ(m.polygons[2].c, 3);
  EXPECT_EQ(m.polygons[2].d, 3);
  ASSERT_EQ(m.influences, 4);
  // point 0: zero-weight joint 9 (outside the skin) is harmless; point 2 normalised from
  // 0.5; point 3 had no weight and goes to the root joint; its twin vertex 5 disagreed.
  EXPECT_EQ(m.joints, (std::vector<int32_t>{kHip, 0, 0, 0, kHip, kKnee, 0, 0, kKnee, 0, 0, 0, kHip, 0, 0, 0}));
  EXPECT_EQ(m.weights, (std::vector<float>{1, 0, 0, 0, .5f, .5f, 0, 0, 1, 0, 0, 0, 1, 0, 0, 0}));
  EXPECT_EQ(m.normalised_points, 1);
  EXPECT_EQ(m.normalised_vertices, 1);
  EXPECT_EQ(m.unweighted_points, 1);
  EXPECT_EQ(m.weld_conflicts, 1);
  ExpectNear(m.node_global.off, {7, 0, 0}, 0, "node_global");
  ExpectNear(m.bind_global.off, {0, 0, 0}, 1e-12, "bind_global");
  EXPECT_LT(m.bind_spread, 1e-12);
  ASSERT_EQ(s.animations.size(), 1u);
  EXPECT_EQ(s.animations[0].channels.size(), 3u);
  EXPECT_EQ(s.animations[0].skipped_channels, 1);
  EXPECT_EQ(s.animations[0].start, 0.0);
  EXPECT_EQ(s.animations[0].end, 2.0);
  EXPECT_EQ(s.node_order, (std::vector<int32_t>{0, 1, 2}));
}

TEST(ReadGltf, SparseAccessorsOverrideTheirBase) {
  GltfBuilder b = TwoJointScene();
  // Move vertex 3 (a twin of vertex 5) away, so it no longer welds; byte indices too.
  const int at = b.Add(std::vector<uint8_t>{3}, "SCALAR", kU8);
  const int moved = b.Floats({0.25f, 2.5f, 0}, "VEC3");
  b.doc["accessors"][0]["sparse"] = {
      {"count", 1},
      {"indices", {{"bufferView", b.doc["accessors"][at]["bufferView"]}, {"componentType", kU8}}},
      {"values", {{"bufferView", b.doc["accessors"][moved]["bufferView"]}}}};
  TempDir dir;
  GltfScene s;
  std::string error;
  ASSERT_TRUE(hostapp::ReadGltf(dir.Write("sparse.gltf", b.Text()), &s, &error)) << error;
  const hostapp::GltfSkinnedMesh& m = s.meshes[0];
  EXPECT_EQ(m.vertex_to_point, (std::vector<int32_t>{0, 1, 2, 3, 1, 4}));
  ExpectNear(m.points[3], {0.25, 2.5, 0}, 0, "sparse value");
  ExpectNear(m.points[4], {0, 2, 0}, 0, "base value");
  EXPECT_EQ(m.weld_conflicts, 0);

  b.doc["accessors"][0]["sparse"]["count"] = 7;  // more sparse entries than its data holds
  EXPECT_FALSE(hostapp::ReadGltf(dir.Write("bad.gltf", b.Text()), &s, &error));
  EXPECT_NE(error.find("accessor 0"), std::string::npos) << error;
}

TEST(EvaluateNodeGlobals, InterpolatesClampsAndComposes) {
  TempDir dir;
  GltfScene s;
  std::string error;
  ASSERT_TRUE(hostapp::ReadGltf(dir.Write("s.gltf", TwoJointScene().Text()), &s, &error)) << error;
  std::vector<C4D_Matrix> g;
  const double h = std::sqrt(0.5);

  // t = 1.5: hip moved by the STEP key at 1, scaled 2.5 (cubic keys' values 1 -> 3),
  // knee turned 45 degrees (halfway along its slerp) about z.
  hostapp::EvaluateNodeGlobals(s, 1.5, &g);
  ASSERT_EQ(g.size(), 3u);
  ExpectNear(g[0].off, {5, 0, 0}, 1e-12, "hip at 1.5");
  ExpectNear(g[0].v1, {2.5, 0, 0}, 1e-12, "hip scale");
  ExpectNear(g[1].off, {5, 2.5, 0}, 1e-12, "knee composed with hip");
  ExpectNear(g[1].v1, {2.5 * h, 2.5 * h, 0}, 1e-6, "knee at 45 degrees");
  ExpectNear(g[2].off, {7, 0, 0}, 0, "unanimated mesh node");

  hostapp::EvaluateNodeGlobals(s, 0.999, &g);
  ExpectNear(g[0].off, {0, 0, 0}, 0, "STEP holds the earlier key");
  hostapp::EvaluateNodeGlobals(s, -3.0, &g);
  ExpectNear(g[0].off, {0, 0, 0}, 0, "before the first key");
  ExpectNear(g[1].v1, {1, 0, 0}, 1e-12, "before the first key");
  hostapp::EvaluateNodeGlobals(s, 10.0, &g);
  ExpectNear(g[0].v1, {3, 0, 0}, 1e-12, "after the last key");
  ExpectNear(g[1].v1, {0, 3, 0}, 1e-6, "after the last key: 90 degrees");

  std::vector<C4D_Matrix> rest, none;
  hostapp::EvaluateNodeGlobals(s, -1, 1.5, &rest);
  hostapp::EvaluateNodeGlobals(s, 99, 1.5, &none);
  ExpectNear(rest[1].off, {0, 1, 0}, 0, "rest pose");
  ExpectNear(none[1].off, {0, 1, 0}, 0, "no such animation: rest pose");

  // Skinning: at rest the points stay; at the end the knee-bound point 2 (1, 2, 0) turns
  // 90 degrees about the knee, then the hip scales by 3 and moves by 5.
  std::vector<C4D_Vector> p;
  hostapp::SkinMeshPoints(s, s.meshes[0], rest, &p);
  for (size_t i = 0; i < p.size(); ++i) ExpectNear(p[i], s.meshes[0].points[i], 1e-12, "rest skinning");
  hostapp::EvaluateNodeGlobals(s, 10.0, &g);
  hostapp::SkinMeshPoints(s, s.meshes[0], g, &p);
  ExpectNear(p[2], {2, 6, 0}, 1e-9, "skinned knee point");
  ExpectNear(p[0], {5, 0, 0}, 1e-9, "skinned hip point");
}

TEST(ReadGltf, SeparateBufferAndBinaryContainer) {
  TempDir dir;
  GltfBuilder b = TwoJointScene();
  dir.Write("scene.bin", std::string(b.bin.begin(), b.bin.end()));
  const std::string paths[] = {dir.Write("separate.gltf", b.Text("scene.bin")), dir.Write("packed.glb", b.Glb())};
  for (const std::string& path : paths) {
    GltfScene s;
    std::string error;
    ASSERT_TRUE(hostapp::ReadGltf(path, &s, &error, {true})) << error;
    ASSERT_EQ(s.meshes.size(), 1u);
    EXPECT_EQ(s.meshes[0].points.size(), 4u) << path;
    EXPECT_EQ(s.animations[0].channels.size(), 3u) << path;
  }
}

TEST(ReadGltf, FaultsGiveOneLineNamingTheFile) {
  struct Case {
    std::string name;
    std::function<std::string(GltfBuilder&)> make;  // returns the file's bytes
    std::string what;                               // expected part of the message ("" any)
  };
  auto text = [](GltfBuilder& b) { return b.Text(); };
  const std::vector<Case> cases = {
      {"truncated",
       [](GltfBuilder& b) {
         std::string t = b.Text();
         return t.substr(0, t.size() / 2);
       },
       ""},
      // Refused from the file's head, before the whole file is read.
      {"garbage", [](GltfBuilder&) { return std::string("\x01\x02 not json {{{", 16); }, "not a glTF file"},
      {"empty", [](GltfBuilder&) { return std::string(); }, "empty file"},
      {"short glb", [](GltfBuilder&) { return std::string("glTF\x02\0\0\0", 8); }, "header is incomplete"},
      {"glb version 1", [](GltfBuilder&) { return std::string("glTF\x01\0\0\0\x14\0\0\0", 12); }, "version 1"},
      {"glb longer than the file",
       [](GltfBuilder&) { return std::string("glTF\x02\0\0\0\xff\xff\xff\x7f", 12); },
       "announces 2147483647 bytes, the file has 12"},
      {"missing bin", [](GltfBuilder& b) { return b.Text("nowhere.bin"); }, ""},
      {"device as buffer", [](GltfBuilder& b) { return b.Text("../../../../../../../../../../dev/zero"); }, ""},
      {"accessor too long",
       [&](GltfBuilder& b) {
         b.doc["accessors"][0]["count"] = 1000;
         return text(b);
       },
       "accessor 0: its data runs past the end"},
      {"view outside buffer",
       [&](GltfBuilder& b) {
         b.doc["bufferViews"][1]["byteLength"] = 100000;
         return text(b);
       },
       ""},
      {"index out of range",
       [&](GltfBuilder& b) {
         b.doc["meshes"][0]["primitives"][0]["indices"] = b.Add(std::vector<uint16_t>{0, 1, 99}, "SCALAR", kU16);
         return text(b);
       },
       "indices: entry 2 is 99, out of range (6 vertices)"},
      {"joint out of range",
       [&](GltfBuilder& b) {
         b.doc["meshes"][0]["primitives"][0]["attributes"]["JOINTS_0"] =
             b.Add(std::vector<uint8_t>(24, 7), "VEC4", kU8);
         return text(b);
       },
       "uses joint 7"},
      {"negative weight",
       [&](GltfBuilder& b) {
         std::vector<float> w = {1, 0, 0, 0, .5f, .5f, 0, 0, .5f, 0, 0, 0, 0, 0, 0, 0, .5f, .5f, 0, 0, 1, 0, 0, 0};
         w[5] = -0.5f;
         b.doc["meshes"][0]["primitives"][0]["attributes"]["WEIGHTS_0"] = b.Floats(w, "VEC4");
         return text(b);
       },
       "vertex 1 has a negative weight"},
      {"no joints attribute",
       [&](GltfBuilder& b) {
         b.doc["meshes"][0]["primitives"][0]["attributes"].erase("JOINTS_0");
         return text(b);
       },
       "has no JOINTS_0"},
      {"no skin",
       [&](GltfBuilder& b) {
         b.doc["nodes"][2].erase("skin");
         return text(b);
       },
       "no skinned mesh"},
      {"cycle",
       [&](GltfBuilder& b) {
         b.doc["nodes"][1]["children"] = {0};
         return text(b);
       },
       "cycle"},
      {"two parents",
       [&](GltfBuilder& b) {
         b.doc["nodes"][2]["children"] = {1};
         return text(b);
       },
       "two parents"},
      {"joint not a node",
       [&](GltfBuilder& b) {
         b.doc["skins"][0]["joints"] = {1, 50};
         return text(b);
       },
       "joint that is not a node"},
      {"few bind matrices",
       [&](GltfBuilder& b) {
         b.doc["skins"][0]["inverseBindMatrices"] = b.Floats(std::vector<float>(16, 0), "MAT4");
         return text(b);
       },
       "fewer inverse bind matrices"},
      {"animated matrix",
       [&](GltfBuilder& b) {
         b.doc["nodes"][0]["matrix"] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
         return text(b);
       },
       "animates a node whose transform is a matrix"},
      {"times backwards",
       [&](GltfBuilder& b) {
         b.doc["animations"][0]["samplers"][0]["input"] = b.Floats({2, 1}, "SCALAR");
         return text(b);
       },
       "go backwards"},
      {"key count",
       [&](GltfBuilder& b) {
         b.doc["animations"][0]["samplers"][0]["input"] = b.Floats({0, 1, 2}, "SCALAR");
         return text(b);
       },
       "does not match"},
      {"interpolation",
       [&](GltfBuilder& b) {
         b.doc["animations"][0]["samplers"][0]["interpolation"] = "BOUNCY";
         return text(b);
       },
       "unknown interpolation 'BOUNCY'"},
      {"deep nesting",
       [&](GltfBuilder& b) {
         std::string t = b.Text();
         return t.substr(0, t.size() - 1) + ",\"extras\":" + std::string(5000, '[') + std::string(5000, ']') + "}";
       },
       "nested too deeply"},
  };
  TempDir dir;
  for (const Case& c : cases) {
    GltfBuilder b = TwoJointScene();
    const std::string path = dir.Write("bad.gltf", c.make(b));
    GltfScene s;
    s.nodes.resize(1);
    std::string error;
    EXPECT_FALSE(hostapp::ReadGltf(path, &s, &error, {true})) << c.name;
    EXPECT_EQ(error.rfind(path + ": ", 0), 0u) << c.name << ": " << error;
    EXPECT_EQ(error.find('\n'), std::string::npos) << c.name << ": " << error;
    EXPECT_NE(error.find(c.what), std::string::npos) << c.name << ": " << error;
    EXPECT_EQ(s.nodes.size(), 1u) << c.name << ": output touched on failure";
  }

  GltfScene s;
  std::string error;
  EXPECT_FALSE(hostapp::ReadGltf(dir.File("missing.gltf"), &s, &error));
  EXPECT_NE(error.find("missing.gltf: no such file"), std::string::npos) << error;
  EXPECT_FALSE(hostapp::ReadGltf(dir.path(), &s, &error));
  EXPECT_NE(error.find("is a directory"), std::string::npos) << error;
  GltfBuilder unskinned = TwoJointScene();
  unskinned.doc["nodes"][2].erase("skin");
  ASSERT_TRUE(hostapp::ReadGltf(dir.Write("static.gltf", unskinned.Text()), &s, &error)) << error;
  EXPECT_TRUE(s.meshes.empty());
}

// A folder holding the scene's folder, with the scene's buffer outside it (secret.bin, a
// buffer that would load) and a file of another size (big.bin); the scene's folder holds
// scene.bin, sub/scene.bin and links that lead out.
class BufferFiles : public ::testing::Test {
 protected:
  void SetUp() override {
    const std::string bin(b.bin.begin(), b.bin.end());
    outside.Write("secret.bin", bin);
    outside.Write("big.bin", std::string(12345, 'x'));
    folder = outside.File("scene");
    std::filesystem::create_directories(folder + "/sub");
    for (const char* name : {"/scene.bin", "/sub/scene.bin"}) std::ofstream(folder + name, std::ios::binary) << bin;
    std::ofstream(folder + "/short.bin", std::ios::binary) << std::string(12345, 'x');
    std::filesystem::create_symlink(outside.File("secret.bin"), folder + "/link.bin");
    std::filesystem::create_symlink(outside.path(), folder + "/up");
  }

  // in: uri. out: whether the scene loads with its buffer at uri; *error on failure.
  bool Load(const std::string& uri, std::string* error) {
    GltfScene s;
    return hostapp::ReadGltf(WriteScene(uri), &s, error, {true});
  }
  std::string WriteScene(const std::string& uri) {
    const std::string path = folder + "/scene.gltf";
    std::ofstream(path, std::ios::binary) << b.Text(uri);
    return path;
  }

  GltfBuilder b = TwoJointScene();
  TempDir outside;
  std::string folder;
};

TEST_F(BufferFiles, FilesInTheFoldersFolderLoad) {
  for (const char* uri : {"scene.bin", "sub/scene.bin", "./sub/../scene.bin", "sub//scene.bin", "%73cene.bin",
                          "sub%2Fscene.bin"}) {
    std::string error;
    EXPECT_TRUE(Load(uri, &error)) << uri << ": " << error;
  }
}

TEST_F(BufferFiles, URIsThatLeaveTheFolderAreRefusedByName) {
  struct Case {
    std::string uri, what;
  };
  const std::string leads_out = "leads outside the glTF file's folder";
  const std::vector<Case> cases = {
      {"../secret.bin", leads_out},
      {"..%2Fsecret.bin", leads_out},
      {"%2E%2E/secret.bin", leads_out},
      {"sub/../../secret.bin", leads_out},
      {"../../../../../../../../../../etc/passwd", leads_out},
      {outside.File("secret.bin"), leads_out},
      {"%2F" + outside.File("secret.bin").substr(1), leads_out},
      {"link.bin", leads_out},
      {"up/secret.bin", leads_out},
      {"up/big.bin", leads_out},
      {"file://" + outside.File("secret.bin"), "is not a file name"},
      {"C:secret.bin", "is not a file name"},
      {"..\\secret.bin", "is not a file name"},
      {"scene.bin%00.txt", "is not a file name"},
      {"sub", "does not name a regular file"},
      {"missing.bin", "no such file in the glTF file's folder"},
      {"sub/..", "names no file"},
  };
  for (const Case& c : cases) {
    std::string error;
    EXPECT_FALSE(Load(c.uri, &error)) << c.uri;
    EXPECT_EQ(error.rfind(folder + "/scene.gltf: buffer URI '", 0), 0u) << c.uri << ": " << error;
    EXPECT_NE(error.find(c.what), std::string::npos) << c.uri << ": " << error;
    EXPECT_EQ(error.find("12345"), std::string::npos) << error;  // nothing about the file it names
  }
}

TEST_F(BufferFiles, TheWorkingFolderIsNeverSearched) {
  const std::filesystem::path before = std::filesystem::current_path();
  std::filesystem::current_path(outside.path());  // where secret.bin is
  std::string error;
  const bool loaded = Load("secret.bin", &error);
  std::filesystem::current_path(before);
  EXPECT_FALSE(loaded);
  EXPECT_NE(error.find("buffer URI 'secret.bin': no such file in the glTF file's folder"), std::string::npos)
      << error;
}

TEST_F(BufferFiles, MessagesShowTheURIOnOneLineShortenedAndNeverTheFileSize) {
  std::string error;
  EXPECT_FALSE(Load("short.bin", &error));  // in the folder, but not byteLength long
  EXPECT_NE(error.find("buffer URI 'short.bin' names a file whose size is not the buffer's byteLength"),
            std::string::npos)
      << error;
  EXPECT_EQ(error.find("12345"), std::string::npos) << error;

  EXPECT_FALSE(Load("../a%0Ab%1B[31m" + std::string(5000, 'c') + ".bin", &error));
  EXPECT_EQ(error.find('\n'), std::string::npos) << error;
  EXPECT_EQ(error.find('\x1b'), std::string::npos) << error;
  EXPECT_NE(error.find("'../a\\x0ab\\x1b[31mccc"), std::string::npos) << error;
  EXPECT_NE(error.find("...'"), std::string::npos) << error;
  EXPECT_LT(error.size(), folder.size() + 250) << error;
}

// A chain of nodes, each the only child of the one before.
std::string NodeChain(int length) {
  json nodes = json::array();
  for (int i = 0; i < length; ++i) {
    nodes.push_back(i + 1 < length ? json{{"children", {i + 1}}} : json::object());
  }
  return json{{"asset", {{"version", "2.0"}}}, {"nodes", nodes}}.dump();
}

TEST(ReadGltf, DeepHierarchiesAreWalkedWithoutRecursionOrRefusedAtTheLimit) {
  TempDir dir;
  hostapp::GltfReadOptions limited;
  limited.max_depth = 1024;
  GltfScene s;
  std::string error;
  ASSERT_TRUE(hostapp::ReadGltf(dir.Write("1024.gltf", NodeChain(1024)), &s, &error, limited)) << error;
  EXPECT_EQ(s.nodes.size(), 1024u);
  for (int length : {1025, 100000}) {
    const std::string path = dir.Write("deep.gltf", NodeChain(length));
    EXPECT_FALSE(hostapp::ReadGltf(path, &s, &error, limited)) << length;
    EXPECT_EQ(error, path + ": node 1024 is nested deeper than 1024 levels, the most a scene holds");
    // Without a limit, the importer itself copes with any depth.
    ASSERT_TRUE(hostapp::ReadGltf(path, &s, &error)) << error;
    std::vector<C4D_Matrix> globals;
    hostapp::EvaluateNodeGlobals(s, -1, 0.0, &globals);
    EXPECT_EQ(globals.size(), static_cast<size_t>(length));
  }
}

TEST(ReadGltf, MutatedInputNeverCrashes) {
  const std::string base = TwoJointScene().Text();
  std::mt19937 rng(99);
  TempDir dir;
  for (int i = 0; i < 200; ++i) {
    std::string t = base;
    for (int k = 0, n = 1 + static_cast<int>(rng() % 4); k < n; ++k) {
      const size_t at = rng() % t.size();
      switch (rng() % 3) {
        case 0:
          t[at] = "0123456789-.,:[]{}\"e"[rng() % 20];
          break;
        case 1:
          t.erase(at, 1 + rng() % 8);
          break;
        default:
          t.insert(at, 1, static_cast<char>(rng() & 0xff));
          break;
      }
    }
    GltfScene s;
    std::string error;
    if (hostapp::ReadGltf(dir.Write("m.gltf", t), &s, &error)) {
      std::vector<C4D_Matrix> g;
      std::vector<C4D_Vector> p;
      for (size_t a = 0; a <= s.animations.size(); ++a) hostapp::EvaluateNodeGlobals(s, int32_t(a), 0.7, &g);
      for (const auto& m : s.meshes) hostapp::SkinMeshPoints(s, m, g, &p);
    } else {
      ASSERT_FALSE(error.empty());
    }
  }
}

struct SharedFile {
  const char* file;
  size_t vertices, points, polygons, joints, channels;
  int normalised_vertices;
  double start, end;
};

class SharedCharacters : public ::testing::TestWithParam<SharedFile> {};

TEST_P(SharedCharacters, CountsWeightsAndBindPose) {
  const SharedFile& f = GetParam();
  GltfScene s;
  std::string error;
  ASSERT_TRUE(hostapp::ReadGltf(std::string("../shared/data/gltf/") + f.file, &s, &error, {true})) << error;
  ASSERT_EQ(s.meshes.size(), 1u);
  const hostapp::GltfSkinnedMesh& m = s.meshes[0];
  EXPECT_EQ(m.vertex_to_point.size(), f.vertices);
  EXPECT_EQ(m.points.size(), f.points);
  EXPECT_EQ(m.polygons.size(), f.polygons);
  EXPECT_EQ(s.skins[m.skin].joints.size(), f.joints);
  EXPECT_EQ(m.normalised_vertices, f.normalised_vertices);
  EXPECT_LE(m.normalised_points, f.normalised_vertices);
  EXPECT_EQ(m.normalised_points > 0, f.normalised_vertices > 0);
  EXPECT_EQ(m.unweighted_points, 0);
  EXPECT_EQ(m.weld_conflicts, 0);  // seam duplicates carry identical joints and weights
  ASSERT_EQ(s.animations.size(), 1u);
  EXPECT_EQ(s.animations[0].channels.size(), f.channels);
  EXPECT_NEAR(s.animations[0].start, f.start, 1e-4);
  EXPECT_NEAR(s.animations[0].end, f.end, 1e-4);

  for (size_t i = 0; i < m.points.size(); ++i) {
    double sum = 0;
    for (int c = 0; c < m.influences; ++c) {
      sum += m.weights[i * m.influences + c];
      const int32_t j = m.joints[i * m.influences + c];
      ASSERT_TRUE(j >= 0 && static_cast<size_t>(j) < f.joints);
    }
    ASSERT_NEAR(sum, 1.0, 1e-6) << "point " << i;
  }
  for (const C4D_CPolygon& p : m.polygons) {
    ASSERT_TRUE(p.a != p.b && p.b != p.c && p.a != p.c && p.c == p.d);
  }

  // The rest pose is the bind pose: every joint agrees, and skinning reproduces the points.
  EXPECT_LT(m.bind_spread, 1e-5);
  std::vector<C4D_Matrix> rest;
  std::vector<C4D_Vector> skinned;
  hostapp::EvaluateNodeGlobals(s, -1, 0.0, &rest);
  hostapp::SkinMeshPoints(s, m, rest, &skinned);
  for (size_t i = 0; i < m.points.size(); ++i) {
    ExpectNear(skinned[i], Apply(m.bind_global, m.points[i]), 1e-5, "rest skinning, point " + std::to_string(i));
  }
}

INSTANTIATE_TEST_SUITE_P(Gltf, SharedCharacters,
                         ::testing::Values(SharedFile{"CesiumMan.gltf", 3273, 2338, 4672, 19, 57, 210, 0.0, 2.0},
                                           SharedFile{"RiggedFigure.gltf", 370, 130, 256, 19, 57, 0, 0.0, 1.25},
                                           SharedFile{"RiggedSimple.gltf", 160, 96, 188, 2, 3, 0, 0.0417, 2.0833}),
                         [](const ::testing::TestParamInfo<SharedFile>& info) {
                           std::string n = info.param.file;
                           return n.substr(0, n.find('.'));
                         });

TEST(SharedCharactersAnimated, JointsStayRigidAndMoveContinuously) {
  GltfScene s;
  std::string error;
  ASSERT_TRUE(hostapp::ReadGltf("../shared/data/gltf/CesiumMan.gltf", &s, &error)) << error;
  const hostapp::GltfSkinnedMesh& m = s.meshes[0];
  // The skin's bind matrix sits on the mesh node for this file.
  ExpectNear(m.bind_global.v2, m.node_global.v2, 1e-5, "bind vs node");
  ExpectNear(m.bind_global.off, m.node_global.off, 1e-5, "bind vs node");

  std::vector<C4D_Matrix> g, g2;
  for (double t : {0.0, 0.37, 1.0, 1.63, 2.0}) {
    hostapp::EvaluateNodeGlobals(s, t, &g);
    hostapp::EvaluateNodeGlobals(s, t + 1e-5, &g2);
    for (int32_t j : s.skins[0].joints) {
      const C4D_Matrix& a = g[j];
      EXPECT_NEAR(Length(a.v1), 1.0, 1e-3) << "joint " << j << " at " << t;
      EXPECT_NEAR(Length(a.v2), 1.0, 1e-3) << "joint " << j << " at " << t;
      EXPECT_NEAR(Dot(a.v1, a.v2), 0.0, 1e-3) << "joint " << j << " at " << t;
      EXPECT_NEAR(Dot(a.v2, a.v3), 0.0, 1e-3) << "joint " << j << " at " << t;
      ExpectNear(a.off, g2[j].off, 1e-3, "continuity");
    }
  }
  // CesiumMan walks from its first frame on: t = 0 is not the bind pose.
  std::vector<C4D_Vector> at0, rest_points;
  std::vector<C4D_Matrix> rest;
  hostapp::EvaluateNodeGlobals(s, 0.0, &g);
  hostapp::EvaluateNodeGlobals(s, -1, 0.0, &rest);
  hostapp::SkinMeshPoints(s, m, g, &at0);
  hostapp::SkinMeshPoints(s, m, rest, &rest_points);
  double largest = 0;
  for (size_t i = 0; i < at0.size(); ++i) {
    largest = std::max(largest,
                       Length({at0[i].x - rest_points[i].x, at0[i].y - rest_points[i].y, at0[i].z - rest_points[i].z}));
  }
  EXPECT_GT(largest, 0.05);

  // RiggedSimple's first key (at 1/24 s) holds the bind pose; t = 0 clamps to it.
  ASSERT_TRUE(hostapp::ReadGltf("../shared/data/gltf/RiggedSimple.gltf", &s, &error)) << error;
  hostapp::EvaluateNodeGlobals(s, 0.0, &g);
  hostapp::SkinMeshPoints(s, s.meshes[0], g, &at0);
  for (size_t i = 0; i < at0.size(); ++i) {
    ExpectNear(at0[i], Apply(s.meshes[0].bind_global, s.meshes[0].points[i]), 1e-4, "RiggedSimple at 0");
  }
}

}  // namespace

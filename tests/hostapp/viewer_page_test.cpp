// The viewer page: the data block tavren-host writes into the page template, and the
// template itself (self-contained: nothing loaded from outside the file).
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <nlohmann/json.hpp>
#include <sstream>

#include "hostapp/io/tiny_gltf_include.h"
#include "hostapp/render/strain_scale.h"
#include "hostapp/viewer/viewer_page.h"
#include "support/cli_run.h"

namespace hostapp {
namespace {

using nlohmann::json;

// out: a binary glTF holding one triangle with one morph target, as tinygltf writes it.
std::string TinyGlb() {
  tinygltf::Model model;
  const float floats[] = {0, 0, 0, 1, 0, 0, 0, 1, 0,   // rest
                          0, 0, 0, 0, 0, 0, 0, 0, 1};  // frame 0: the third point moves
  tinygltf::Buffer buffer;
  buffer.data.resize(sizeof floats);
  std::memcpy(buffer.data.data(), floats, sizeof floats);
  model.buffers.push_back(buffer);
  for (int i = 0; i < 2; ++i) {
    tinygltf::BufferView view;
    view.buffer = 0;
    view.byteOffset = 36 * i;
    view.byteLength = 36;
    model.bufferViews.push_back(view);
    tinygltf::Accessor accessor;
    accessor.bufferView = i;
    accessor.componentType = TINYGLTF_COMPONENT_TYPE_FLOAT;
    accessor.type = TINYGLTF_TYPE_VEC3;
    accessor.count = 3;
    accessor.minValues = {0, 0, 0};
    accessor.maxValues = {1, 1, 1};
    model.accessors.push_back(accessor);
  }
  tinygltf::Primitive primitive;
  primitive.attributes["POSITION"] = 0;
  primitive.targets.push_back({{"POSITION", 1}});
  primitive.mode = TINYGLTF_MODE_TRIANGLES;
  tinygltf::Mesh mesh;
  mesh.primitives.push_back(primitive);
  model.meshes.push_back(mesh);
  tinygltf::Node node;
  node.mesh = 0;
  model.nodes.push_back(node);
  model.scenes.push_back(tinygltf::Scene());
  model.scenes[0].nodes.push_back(0);
  model.defaultScene = 0;
  model.asset.version = "2.0";
  std::ostringstream out;
  tinygltf::TinyGLTF writer;
  EXPECT_TRUE(writer.WriteGltfSceneToStream(&model, out, false, true));
  return out.str();
}

ViewerInput SomeInput() {
  ViewerInput input;
  input.title = "arm";
  input.skin_glb = TinyGlb();
  input.corrected_glb = input.skin_glb + std::string(4, ' ');  // any other bytes that are a .glb
  input.report_csv = "frame,time_s,skin_edge_mean\n0,0,0.01\n";
  input.settings = {{"Bind tag of Arm", {{"Iterations", "2"}, {"Keep open borders in place", "off"}}}};
  return input;
}

std::string Template() { return std::string(reinterpret_cast<const char*>(kViewerTemplate), kViewerTemplateSize); }

// in: a page. out: the JSON of its data block; a test failure when there is none.
json DataBlock(const std::string& page) {
  const std::string open = "<script type=\"application/json\" id=\"tavren-data\">";
  const size_t begin = page.find(open);
  EXPECT_NE(begin, std::string::npos);
  if (begin == std::string::npos) return json();
  const size_t end = page.find("</script>", begin);
  return json::parse(page.substr(begin + open.size(), end - begin - open.size()));
}

TEST(ViewerPage, Base64FollowsTheStandardAlphabetAndPadding) {
  EXPECT_EQ(Base64(""), "");
  EXPECT_EQ(Base64("f"), "Zg==");
  EXPECT_EQ(Base64("fo"), "Zm8=");
  EXPECT_EQ(Base64("foo"), "Zm9v");
  EXPECT_EQ(Base64("foobar"), "Zm9vYmFy");
  EXPECT_EQ(Base64(std::string("\xff\xfe\x00\xfb\xef", 5)), "//4A++8=");  // high bits, NUL, '+' and '/'
}

TEST(ViewerPage, CarriesBothAnimationsTheReportTheSettingsAndTheStrainScale) {
  const ViewerInput input = SomeInput();
  std::string page, error;
  ASSERT_TRUE(MakeViewerPage(input, &page, &error)) << error;
  const json data = DataBlock(page);
  EXPECT_EQ(data["title"], "arm");
  EXPECT_EQ(data["skin"], Base64(input.skin_glb));
  EXPECT_EQ(data["corrected"], Base64(input.corrected_glb));
  EXPECT_NE(data["skin"], data["corrected"]);
  EXPECT_EQ(data["report"], input.report_csv);
  EXPECT_EQ(data["settings"], json::parse(R"([{"title": "Bind tag of Arm", "entries":
                                 [["Iterations", "2"], ["Keep open borders in place", "off"]]}])"));
  // The page colours strain on the scale of the pictures, stop for stop.
  EXPECT_EQ(data["strain"]["max"], kStrainScaleMax);
  ASSERT_EQ(data["strain"]["stops"].size(), static_cast<size_t>(kStrainStopCount));
  for (int i = 0; i < kStrainStopCount; ++i) {
    const json& s = data["strain"]["stops"][i];
    EXPECT_EQ(s["at"], kStrainStops[i].at);
    EXPECT_EQ(std::vector<int>({s["r"], s["g"], s["b"]}),
              std::vector<int>({kStrainStops[i].r, kStrainStops[i].g, kStrainStops[i].b}));
  }
  // The template's code follows the data unchanged.
  const std::string tmpl = Template();
  const size_t marker = tmpl.find("@TAVREN_DATA@");
  ASSERT_NE(marker, std::string::npos);
  EXPECT_EQ(page.substr(0, marker), tmpl.substr(0, marker));
  EXPECT_EQ(page.substr(page.size() - (tmpl.size() - marker - 13)), tmpl.substr(marker + 13));
}

TEST(ViewerPage, NamesFromTheSceneCannotBreakOutOfTheDataBlock) {
  ViewerInput input = SomeInput();
  input.title = "</script><script>alert(1)</script><!--";
  input.settings[0].title = "Bind tag of </SCRIPT>";
  input.settings[0].entries.push_back({"bad \xff\xfe bytes", "x"});  // not UTF-8: replaced, not refused
  std::string page, error;
  ASSERT_TRUE(MakeViewerPage(input, &page, &error)) << error;
  EXPECT_EQ(page.find("alert(1)</script>"), std::string::npos);
  EXPECT_EQ(page.find("</SCRIPT>"), std::string::npos);
  const json data = DataBlock(page);
  EXPECT_EQ(data["title"], input.title);
  EXPECT_EQ(data["settings"][0]["title"], input.settings[0].title);
  EXPECT_EQ(data["settings"][0]["entries"][2][0], "bad \xEF\xBF\xBD\xEF\xBF\xBD bytes");
}

TEST(ViewerPage, RefusesAnimationsThatAreNoBinaryGltf) {
  std::string page, error;
  ViewerInput input = SomeInput();
  input.skin_glb = "{\"asset\": {\"version\": \"2.0\"}}";  // a .gltf, not a .glb
  EXPECT_FALSE(MakeViewerPage(input, &page, &error));
  EXPECT_NE(error.find("skin-only"), std::string::npos) << error;
  input = SomeInput();
  input.corrected_glb.clear();
  EXPECT_FALSE(MakeViewerPage(input, &page, &error));
  EXPECT_NE(error.find("corrected"), std::string::npos) << error;
}

TEST(ViewerPage, TemplateHoldsItsCodeAndLoadsNothingFromOutside) {
  const std::string tmpl = Template();
  EXPECT_GT(tmpl.size(), 200000u);  // three.js is bundled in
  EXPECT_NE(tmpl.find("<canvas id=\"skin\">"), std::string::npos);
  EXPECT_NE(tmpl.find("<canvas id=\"corrected\">"), std::string::npos);
  EXPECT_EQ(tmpl.find("@TAVREN_CODE@"), std::string::npos);
  EXPECT_EQ(tmpl.find("@TAVREN_DATA@"), tmpl.rfind("@TAVREN_DATA@"));
  for (const char* external : {"<script src", "<link", "@import", "src=\"http", "href=\"http"}) {
    EXPECT_EQ(tmpl.find(external), std::string::npos) << external;
  }
}

TEST(ViewerPage, WritesThePageWholeOrNotAtAll) {
  clirun::ScratchDir dir("viewer-page");
  ASSERT_FALSE(dir.Path().empty());
  const ViewerInput input = SomeInput();
  const std::string path = dir.Path() + "/arm_viewer.html";
  std::string error, page;
  ASSERT_TRUE(WriteViewerPage(path, input, &error)) << error;
  ASSERT_TRUE(MakeViewerPage(input, &page, &error));
  EXPECT_EQ(clirun::ReadBytes(path), page);

  const std::string missing = dir.Path() + "/no such folder/arm_viewer.html";
  EXPECT_FALSE(WriteViewerPage(missing, input, &error));
  EXPECT_NE(error.find(missing), std::string::npos) << error;
  ViewerInput broken = input;
  broken.corrected_glb = "not a glb";
  EXPECT_FALSE(WriteViewerPage(path, broken, &error));
  EXPECT_NE(error.find(path), std::string::npos) << error;
  EXPECT_EQ(clirun::ReadBytes(path), page);  // the earlier page stays
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.Path()), {}), 1);  // no temporary left
}

}  // namespace
}  // namespace hostapp

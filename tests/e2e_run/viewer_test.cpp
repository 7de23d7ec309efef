// The viewer page that run and demo write: what it carries, and when it is left out; and the
// bind tag's settings as it lists them (labels from the plug-in's resource, values as the
// tag's interface shows them).
#include <gtest/gtest.h>

#include <algorithm>
#include <nlohmann/json.hpp>
#include <utility>

#include "hostapp/app/deform_scene.h"
#include "hostapp/app/session.h"
#include "hostapp/app/viewer_output.h"
#include "hostapp/scene/tag.h"
#include "hostapp/viewer/viewer_page.h"
#include "run_env.h"

namespace e2e_run {
namespace {

TEST(ViewerSettings, ListTheBindTagsValuesWithTheirLabels) {
  std::string error;
  ASSERT_TRUE(EnsurePlugin(&error)) << error;
  std::unique_ptr<hostapp::Tag> tag = hostapp::Session::NewTag(ID_TTAVREN);
  ASSERT_TRUE(tag);
  C4D_Data value{};
  value.type = C4D_DA_LONG;
  value.i32 = 5;
  ASSERT_TRUE(tag->SetParameter(TTAVREN_ITERATIONS, value));
  value.i32 = TTAVREN_SMOOTHTYPE_UNIFORM;
  ASSERT_TRUE(tag->SetParameter(TTAVREN_SMOOTHTYPE, value));
  value.i32 = 1;
  ASSERT_TRUE(tag->SetParameter(TTAVREN_PINBORDER, value));
  value = C4D_Data{};
  value.type = C4D_DA_REAL;
  value.f64 = 0.25;
  ASSERT_TRUE(tag->SetParameter(TTAVREN_STEP, value));

  const hostapp::ViewerSettings s = hostapp::DescribeSettings(*tag, "Bind tag of Arm");
  EXPECT_EQ(s.title, "Bind tag of Arm");
  std::vector<std::pair<std::string, std::string>> entries;
  for (const hostapp::ViewerSetting& e : s.entries) entries.emplace_back(e.label, e.value);
  // Buttons, groups and the host's own entries (the enable switch) are left out; a switch
  // never set reads as off, an empty link as none.
  const std::vector<std::pair<std::string, std::string>> expected = {
      {"Status", entries.empty() ? "" : entries[0].second},
      {"Neighbour average", "Uniform"},
      {"Iterations", "5"},
      {"Strength per iteration", "0.25"},
      {"Keep open borders in place", "on"},
      {"Show the smoothed mesh only", "off"},
      {"Vertex map", "none"},
      {"Use the vertex map", "on"}};
  EXPECT_EQ(entries, expected);
}

class ViewerPageTest : public ScratchTest {};

TEST_F(ViewerPageTest, RunPutsItsAnimationsReportAndSettingsIntoThePage) {
  const std::string out = Path("run");
  RunResult r = RunHost("run ../shared/data/gltf/RiggedSimple.gltf --frames 20-22 --iterations 3 --out '" + out + "'");
  ASSERT_EQ(r.code, 0) << r.err;
  const std::string page = ReadBytes(out + "/RiggedSimple_viewer.html");
  const std::string open = "id=\"tavren-data\">";
  const size_t begin = page.find(open);
  ASSERT_NE(begin, std::string::npos);
  const size_t end = page.find("</script>", begin);
  const nlohmann::json data = nlohmann::json::parse(page.substr(begin + open.size(), end - begin - open.size()));
  EXPECT_EQ(data["title"], "RiggedSimple");
  EXPECT_EQ(data["skin"], hostapp::Base64(ReadBytes(out + "/RiggedSimple_skin.glb")));
  EXPECT_EQ(data["corrected"], hostapp::Base64(ReadBytes(out + "/RiggedSimple_corrected.glb")));
  EXPECT_EQ(data["report"], ReadBytes(out + "/RiggedSimple_report.csv"));
  ASSERT_EQ(data["settings"].size(), 1u);
  const nlohmann::json& entries = data["settings"][0]["entries"];
  EXPECT_NE(std::find(entries.begin(), entries.end(), nlohmann::json({"Iterations", "3"})), entries.end()) << entries;
  EXPECT_NE(r.out.find("Open the viewer page in a browser: " + out + "/RiggedSimple_viewer.html"), std::string::npos);

  // --no-viewer leaves the page out; without the glTF animations there is no page to show.
  for (const char* flag : {"--no-viewer", "--no-gltf"}) {
    const std::string plain = Path(flag);
    r = RunHost(std::string("demo --frames 2 ") + flag + " --out '" + plain + "'");
    ASSERT_EQ(r.code, 0) << r.err;
    for (const std::string& name : Files(plain)) EXPECT_EQ(name.find("viewer"), std::string::npos) << name;
    EXPECT_EQ(r.out.find("Open the viewer page"), std::string::npos) << r.out;
  }
  EXPECT_NE(r.out.find("viewer page                left out"), std::string::npos) << r.out;
}

}  // namespace
}  // namespace e2e_run

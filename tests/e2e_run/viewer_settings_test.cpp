// The bind tag's settings as the viewer page lists them: labels from the plug-in's resource,
// values as its interface shows them.
#include <gtest/gtest.h>

#include <utility>

#include "hostapp/app/deform_scene.h"
#include "hostapp/app/session.h"
#include "hostapp/app/viewer_output.h"
#include "hostapp/scene/tag.h"
#include "run_env.h"

namespace e2e_run {
namespace {

TEST(ViewerSettings, ListTheBindTagsValuesWithTheirLabels) {
  std::string error;
  ASSERT_TRUE(EnsurePlugin(&error)) << error;
  std::unique_ptr<hostapp::Tag> tag = hostapp::Session::NewTag(hostapp::kTavrenTagId);
  ASSERT_TRUE(tag);
  C4D_Data value{};
  value.type = C4D_DA_LONG;
  value.i32 = 5;
  ASSERT_TRUE(tag->SetParameter(hostapp::kBindIterations, value));
  value.i32 = hostapp::kSmoothUniform;
  ASSERT_TRUE(tag->SetParameter(hostapp::kBindSmoothType, value));
  value.i32 = 1;
  ASSERT_TRUE(tag->SetParameter(hostapp::kBindPinBorder, value));
  value = C4D_Data{};
  value.type = C4D_DA_REAL;
  value.f64 = 0.25;
  ASSERT_TRUE(tag->SetParameter(hostapp::kBindStep, value));

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

}  // namespace
}  // namespace e2e_run

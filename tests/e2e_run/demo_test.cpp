// tavren-host demo: the generated arm bent and twisted with and without the corrective
// deformer. What it writes, and what the figures say about the bent frames.
#include <algorithm>
#include <cmath>
#include <cstdio>

#include "hostapp/app/session.h"
#include "hostapp/app/surface_measures.h"
#include "hostapp/scene/document.h"
#include "hostapp/scene/hyperfile.h"
#include "hostapp/scene/scenefile.h"
#include "run_env.h"

namespace e2e_run {
namespace {

class DemoTest : public ScratchTest {};

// Loads a saved demo scene with the plug-in running here: the arm carries the bind tag first,
// frozen with one offset per point, and the deformer sits right after the skin.
void ExpectBoundScene(const std::string& path) {
  std::string error;
  ASSERT_TRUE(EnsurePlugin(&error)) << error;
  std::unique_ptr<hostapp::Document> doc = hostapp::LoadDocument(path, &error);
  ASSERT_TRUE(doc) << error;
  hostapp::PolygonObject* arm = hostapp::ToPolygonObject(doc->FindObject("Arm"));
  ASSERT_NE(arm, nullptr);
  hostapp::Tag* tag = arm->FirstTag();
  ASSERT_TRUE(tag && tag->Type() == ID_TTAVREN);
  std::vector<uint8_t> bytes;
  hostapp::HyperFile written(&bytes);
  ASSERT_TRUE(tag->Hooks()->write(tag->Instance(), tag, &written));
  hostapp::HyperFile in(bytes.data(), bytes.size());
  bool bound = false;
  int32_t count = 0;
  EXPECT_TRUE(in.ReadBool(&bound) && bound);
  EXPECT_TRUE(in.ReadInt32(&count));
  EXPECT_EQ(static_cast<size_t>(count), arm->Points().size());
  hostapp::Object* skin = arm->Down();
  ASSERT_TRUE(skin && skin->Type() == C4D_OSKIN);
  ASSERT_NE(skin->Next(), nullptr);
  EXPECT_EQ(skin->Next()->Type(), ID_OTAVREN);
}

// in: PNG bytes. out: the width and height from its header; 0 when it is no PNG.
void PngSize(const std::string& png, int* width, int* height) {
  *width = *height = 0;
  if (png.size() < 24 || png.compare(0, 8, "\x89PNG\r\n\x1a\n") != 0) return;
  auto be32 = [&](size_t at) {
    return (static_cast<unsigned char>(png[at]) << 24) | (static_cast<unsigned char>(png[at + 1]) << 16) |
           (static_cast<unsigned char>(png[at + 2]) << 8) | static_cast<unsigned char>(png[at + 3]);
  };
  *width = static_cast<int>(be32(16));
  *height = static_cast<int>(be32(20));
}

TEST_F(DemoTest, WritesEveryOutputAndCorrectsTheBentFrames) {
  const std::string out = Path("demo out");  // a new folder, with a space in its name
  const RunResult r = RunHost("demo --frames 9 --out '" + out + "'");
  ASSERT_EQ(r.code, 0) << r.err;
  EXPECT_TRUE(r.err.empty()) << r.err;

  std::vector<std::string> expected = {"arm.tvs",      "arm_compare.gif", "arm_compare.png",   "arm_report.csv",
                                       "arm_rest.obj", "arm_skin.glb",    "arm_corrected.glb", "arm_viewer.html"};
  for (int f = 0; f < 9; ++f) {
    char name[64];
    std::snprintf(name, sizeof name, "arm_skin_%04d.obj", f);
    expected.push_back(name);
    std::snprintf(name, sizeof name, "arm_corrected_%04d.obj", f);
    expected.push_back(name);
  }
  std::sort(expected.begin(), expected.end());
  EXPECT_EQ(Files(out), expected);  // nothing else, no temporary file left
  // The console ends by naming where the outputs are.
  EXPECT_NE(r.out.find(out + "/arm_report.csv"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find(out + "/arm_compare.png"), std::string::npos) << r.out;
  // Its last line says how to open the viewer page.
  EXPECT_NE(r.out.find("\nOpen the viewer page in a browser: " + out + "/arm_viewer.html\n"), std::string::npos) << r.out;
  EXPECT_EQ(r.out.back(), '\n');
  EXPECT_EQ(r.out.rfind('\n', r.out.size() - 2), r.out.rfind("\nOpen the viewer page")) << r.out;

  ExpectBoundScene(out + "/arm.tvs");
  int width = 0, height = 0;
  PngSize(ReadBytes(out + "/arm_compare.png"), &width, &height);
  EXPECT_GT(width, 0);
  EXPECT_GT(height, width);  // three rows of two panels
  EXPECT_EQ(ReadBytes(out + "/arm_compare.gif").substr(0, 6), "GIF89a");
  EXPECT_NE(r.out.find("Bind tag: 30 iterations, distance mode"), std::string::npos) << r.out;

  // Frame 0 is the rest pose: both meshes give the rest mesh back.
  const hostapp::Mesh rest = ReadMesh(out + "/arm_rest.obj");
  const double size = Size(rest.points);
  EXPECT_LT(MaxDistance(ReadMesh(out + "/arm_corrected_0000.obj").points, rest.points), 1e-9 * size);
  EXPECT_LT(MaxDistance(ReadMesh(out + "/arm_skin_0000.obj").points, rest.points), 1e-9 * size);
  const hostapp::Mesh last = ReadMesh(out + "/arm_corrected_0008.obj");
  EXPECT_EQ(last.polygons.size(), rest.polygons.size());
  EXPECT_GT(MaxDistance(last.points, rest.points), 0.1 * size);  // really bent

  const std::vector<ReportRow> rows = ReadReport(out + "/arm_report.csv");
  ASSERT_EQ(rows.size(), 9u);
  EXPECT_LT(rows[0].skin_mean, 1e-9);
  EXPECT_LT(rows[0].corrected_mean, 1e-9);
  EXPECT_NEAR(rows[0].skin_volume, 1.0, 1e-9);  // the arm is closed: its volume is measured
  for (const ReportRow& row : rows) {
    // Bent frames: from half the full bend (65 degrees) on.
    if (row.frame < 4) continue;
    SCOPED_TRACE(row.frame);
    EXPECT_GT(row.skin_mean, 0.005);
    EXPECT_LT(row.corrected_mean, row.skin_mean);
    EXPECT_TRUE(std::isfinite(row.corrected_volume));
    EXPECT_LT(row.skin_volume, 1.0);
  }
  // The most bent frame: the rigid skin puts the bend into the edges across the elbow; the
  // corrected arm spreads it, with a far smaller largest stretch, and keeps its detail close
  // to the rest pose's where the skin's crease adds a lot.
  const ReportRow& bent = rows[8];
  EXPECT_LT(bent.corrected_mean, bent.skin_mean);
  EXPECT_LT(bent.corrected_max, 0.25 * bent.skin_max);
  EXPECT_NEAR(bent.corrected_detail, 1.0, 0.1);
  EXPECT_GT(bent.skin_detail, bent.corrected_detail);
  if (hostapp::SelfIntersectionsMeasured()) {
    EXPECT_EQ(rows[0].skin_crossings, 0);
    EXPECT_GT(bent.skin_crossings, 0);  // the inner elbow folds into itself
    EXPECT_GE(bent.corrected_crossings, 0);
  }
  std::printf(
      "demo, frame 8 (130 degrees): edge strain mean / p95 / max skin-only %.2f / %.2f / %.1f %%, corrected "
      "%.2f / %.2f / %.1f %%; volume %.4f / %.4f; detail kept %.3f / %.3f; crossing faces %g / %g\n",
      100.0 * bent.skin_mean, 100.0 * bent.skin_p95, 100.0 * bent.skin_max, 100.0 * bent.corrected_mean,
      100.0 * bent.corrected_p95, 100.0 * bent.corrected_max, bent.skin_volume, bent.corrected_volume,
      bent.skin_detail, bent.corrected_detail, bent.skin_crossings, bent.corrected_crossings);
}

// --skin changes the skin alone; the tag's settings change the corrected mesh alone.
TEST_F(DemoTest, SkinAndTagOptionsChangeWhatTheyName) {
  const std::string rigid = Path("rigid"), narrow = Path("narrow"), two = Path("two");
  ASSERT_EQ(RunHost("demo --frames 3 --out '" + rigid + "'").code, 0);
  const RunResult n = RunHost("demo --frames 3 --skin narrow --out '" + narrow + "'");
  ASSERT_EQ(n.code, 0) << n.err;
  EXPECT_NE(n.out.find("narrow skin"), std::string::npos) << n.out;
  const RunResult t = RunHost("demo --frames 3 --iterations 2 --mode uniform --step 0.5 --out '" + two + "'");
  ASSERT_EQ(t.code, 0) << t.err;
  EXPECT_NE(t.out.find("Bind tag: 2 iterations, uniform mode, step 0.5"), std::string::npos) << t.out;

  const std::string skin = "/arm_skin_0002.obj", corrected = "/arm_corrected_0002.obj";
  EXPECT_NE(ReadBytes(rigid + skin), ReadBytes(narrow + skin));
  EXPECT_EQ(ReadBytes(rigid + skin), ReadBytes(two + skin));
  EXPECT_NE(ReadBytes(rigid + corrected), ReadBytes(two + corrected));

  const RunResult bad = RunHost("demo --frames 3 --skin soft --out '" + Path("bad") + "'");
  EXPECT_NE(bad.code, 0);
  EXPECT_NE(bad.err.find("--skin"), std::string::npos) << bad.err;
  EXPECT_TRUE(Files(Path("bad")).empty());
}

TEST_F(DemoTest, OverlaysDrawTheFalloffOnTheCorrectedPanels) {
  ASSERT_EQ(RunHost("demo --frames 2 --falloff-radius 60 --out '" + Path("plain") + "'").code, 0);
  ASSERT_EQ(RunHost("demo --frames 2 --falloff-radius 60 --overlays --out '" + Path("drawn") + "'").code, 0);
  const std::string plain = ReadBytes(Path("plain/arm_compare.png")), drawn = ReadBytes(Path("drawn/arm_compare.png"));
  ASSERT_FALSE(plain.empty());
  EXPECT_NE(plain, drawn);
  // Drawing changes the picture only.
  EXPECT_EQ(ReadBytes(Path("plain/arm_report.csv")), ReadBytes(Path("drawn/arm_report.csv")));
}

TEST_F(DemoTest, AnOutputPathThatIsAFileIsRefused) {
  const std::string file = Path("taken");
  FILE* f = std::fopen(file.c_str(), "w");
  ASSERT_NE(f, nullptr);
  std::fclose(f);
  const RunResult r = RunHost("demo --frames 2 --out '" + file + "'");
  EXPECT_NE(r.code, 0);
  ASSERT_EQ(r.ErrLines().size(), 1u) << r.err;
  EXPECT_NE(r.err.find(file), std::string::npos) << r.err;
  EXPECT_EQ(Files(dir_), std::vector<std::string>{"taken"});
}

}  // namespace
}  // namespace e2e_run

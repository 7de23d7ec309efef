// deform, bind and deform --binding on generated meshes: what a user gets back.
#include <filesystem>

#include "e2e_env.h"

namespace e2e {
namespace {

class DeformTest : public CliTest {
 protected:
  void SetUp() override {
    CliTest::SetUp();
    rest_ = WavedGrid(14, 10);
    WriteMesh("rest.obj", rest_);
  }
  hostapp::Mesh rest_;
};

TEST_F(DeformTest, RestPoseAndRigidMotionComeBackUnchanged) {
  WriteMesh("same.obj", rest_);
  RunResult r = Run("deform --rest rest.obj --posed same.obj --out same_out.obj");
  ASSERT_EQ(r.code, 0) << r.err;
  const hostapp::Mesh same = ReadMesh(Path("same_out.obj"));
  ASSERT_EQ(same.points.size(), rest_.points.size());
  EXPECT_LT(MaxDistance(same.points, rest_.points), 1e-9 * Size(rest_.points));
  EXPECT_EQ(same.polygons.size(), rest_.polygons.size());

  // The frames follow the surface, so moving the whole mesh moves the result with it.
  const hostapp::Mesh moved = Moved(rest_);
  WriteMesh("moved.obj", moved);
  r = Run("deform --rest rest.obj --posed moved.obj --out moved_out.obj --iterations 4 --mode uniform");
  ASSERT_EQ(r.code, 0) << r.err;
  EXPECT_LT(MaxDistance(ReadMesh(Path("moved_out.obj")).points, moved.points), 1e-9 * Size(rest_.points));
}

TEST_F(DeformTest, BendKeepsDetailAndSettingsMatter) {
  const hostapp::Mesh bent = Bent(rest_, 0.12);
  WriteMesh("bent.obj", bent);
  ASSERT_EQ(Run("deform --rest rest.obj --posed bent.obj --out a.obj").code, 0);
  ASSERT_EQ(Run("deform --rest rest.obj --posed bent.obj --out b.obj --smooth-only").code, 0);
  const hostapp::Mesh a = ReadMesh(Path("a.obj")), b = ReadMesh(Path("b.obj"));
  // With the detail restored the result stays near the bent mesh; smoothed only, it does not.
  EXPECT_LT(MaxDistance(a.points, bent.points), 0.5 * MaxDistance(b.points, bent.points));
  EXPECT_GT(MaxDistance(a.points, bent.points), 0.0);

  // Weights of zero stop the smoothing: the frames are then those of the posed mesh itself.
  std::string zeros;
  for (size_t i = 0; i < rest_.points.size(); ++i) zeros += "0\n";
  WriteText("zero.txt", zeros);
  RunResult r = Run("deform --rest rest.obj --posed bent.obj --out w.obj --weights zero.txt --smooth-only");
  ASSERT_EQ(r.code, 0) << r.err;
  EXPECT_LT(MaxDistance(ReadMesh(Path("w.obj")).points, bent.points), 1e-12 * Size(bent.points));
}

TEST_F(DeformTest, SavedBindingDeformsBitIdentically) {
  WriteMesh("bent.obj", Bent(rest_, 0.1));
  std::string weights;
  for (size_t i = 0; i < rest_.points.size(); ++i) weights += std::to_string(0.25 + 0.75 * double(i % 7) / 6.0) + "\n";
  WriteText("w.txt", weights);
  const std::string settings = " --iterations 3 --pin-border --step 0.75 --weights w.txt";
  RunResult r = Run("deform --rest rest.obj --posed bent.obj --out direct.obj" + settings);
  ASSERT_EQ(r.code, 0) << r.err;
  r = Run("bind --rest rest.obj --out binding.tvs" + settings);
  ASSERT_EQ(r.code, 0) << r.err;
  r = Run("deform --binding binding.tvs --posed bent.obj --out reused.obj");
  ASSERT_EQ(r.code, 0) << r.err;
  EXPECT_EQ(ReadBytes(Path("direct.obj")), ReadBytes(Path("reused.obj")));
  // The weights took part: without them the result differs.
  ASSERT_EQ(Run("deform --rest rest.obj --posed bent.obj --out plain.obj --iterations 3 --pin-border --step 0.75").code,
            0);
  EXPECT_NE(ReadBytes(Path("plain.obj")), ReadBytes(Path("direct.obj")));
  r = Run("info binding.tvs");
  EXPECT_NE(r.out.find("vertex map \"Weights\""), std::string::npos) << r.out;
  EXPECT_NE(r.out.find(std::to_string(rest_.points.size()) + " weights"), std::string::npos) << r.out;

  // Settings belong to the binding; giving them again is refused.
  r = Run("deform --binding binding.tvs --posed bent.obj --out x.obj --iterations 5");
  EXPECT_NE(r.code, 0);
  EXPECT_FALSE(std::filesystem::exists(Path("x.obj")));
}

TEST_F(DeformTest, SequencesAreNamedByFrame) {
  for (int f = 1; f <= 4; ++f)
    WriteMesh("posed_" + std::string(f < 10 ? "000" : "00") + std::to_string(f) + ".obj", Bent(rest_, 0.03 * f));
  ASSERT_EQ(Run("bind --rest rest.obj --out b.tvs").code, 0);
  // Two machines, two halves of the range, one output folder.
  RunResult r = Run("deform --binding b.tvs --posed posed_%04d.obj --frames 1-2 --out seq");
  ASSERT_EQ(r.code, 0) << r.err;
  EXPECT_NE(r.out.find("[2/2] frame 2"), std::string::npos) << r.out;
  r =
      Run("deform --binding b.tvs --posed posed_0001.obj posed_0002.obj posed_0003.obj posed_0004.obj --frames 3-4 "
          "--out seq");
  ASSERT_EQ(r.code, 0) << r.err;
  EXPECT_EQ(Files("seq"), (std::vector<std::string>{"deformed_0001.obj", "deformed_0002.obj", "deformed_0003.obj",
                                                    "deformed_0004.obj"}));
  ASSERT_EQ(Run("deform --rest rest.obj --posed posed_0003.obj --out single.obj").code, 0);
  EXPECT_EQ(ReadBytes(Path("single.obj")), ReadBytes(Path("seq/deformed_0003.obj")));

  // Without --out the frames go to tavren-out/.
  ASSERT_EQ(Run("deform --rest rest.obj --posed posed_0004.obj").code, 0);
  EXPECT_EQ(Files("tavren-out"), std::vector<std::string>{"deformed_0004.obj"});

  // A gap in the sequence is found before anything is written.
  r = Run("deform --binding b.tvs --posed posed_%04d.obj --frames 3-5 --out gap");
  EXPECT_NE(r.code, 0);
  EXPECT_NE(r.err.find("posed_0005.obj"), std::string::npos) << r.err;
  EXPECT_TRUE(Files("gap").empty());
}

TEST_F(DeformTest, SceneFilesDescribeTheirBinding) {
  ASSERT_EQ(Run("bind --rest rest.obj --out bound.tvs --mode uniform").code, 0);
  ASSERT_EQ(Run("save --rest rest.obj --out live.tvs").code, 0);
  RunResult r = Run("info bound.tvs");
  ASSERT_EQ(r.code, 0) << r.err;
  const std::string n = std::to_string(rest_.points.size());
  EXPECT_NE(r.out.find("frozen, " + n + " offsets"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("mode uniform"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find(n + " points, " + std::to_string(rest_.polygons.size()) + " polygons"), std::string::npos);
  r = Run("load live.tvs");
  ASSERT_EQ(r.code, 0) << r.err;
  EXPECT_NE(r.out.find("0 frozen, 1 live"), std::string::npos) << r.out;

  // A live set-up deforms too: the tag captures on the rest mesh as it is evaluated.
  WriteMesh("bent.obj", Bent(rest_, 0.1));
  ASSERT_EQ(Run("deform --binding live.tvs --posed bent.obj --out from_live.obj").code, 0);
  ASSERT_EQ(Run("deform --binding bound.tvs --posed bent.obj --out from_bound.obj").code, 0);
  ASSERT_EQ(Run("deform --rest rest.obj --posed bent.obj --out direct.obj").code, 0);
  EXPECT_EQ(ReadBytes(Path("from_live.obj")), ReadBytes(Path("direct.obj")));
  EXPECT_NE(ReadBytes(Path("from_bound.obj")), ReadBytes(Path("direct.obj")));  // bound uniform, direct distance
}

TEST_F(DeformTest, EveryCommandExplainsItself) {
  for (const char* command : {"plugins", "deform", "bind", "save", "load", "info", "demo", "run"}) {
    const RunResult r = Run(std::string(command) + " --help");
    EXPECT_EQ(r.code, 0) << command;
    EXPECT_NE(r.out.find("Usage"), std::string::npos) << command;
  }
  const RunResult r = Run("");
  EXPECT_NE(r.code, 0);
  EXPECT_EQ(r.ErrLines().size(), 1u) << r.err;
}

TEST_F(DeformTest, PluginsListsWhatTheLibraryRegistered) {
  RunResult r = Run("plugins");
  ASSERT_EQ(r.code, 0) << r.err;
  for (const char* id : {"1035622", "1035447", "1035496"}) EXPECT_NE(r.out.find(id), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("TTavrenres"), std::string::npos);
  EXPECT_EQ(r.out.find("NOT loaded"), std::string::npos) << r.out;
  r = Run("--plugin missing.so plugins");
  EXPECT_NE(r.code, 0);
  EXPECT_NE(r.err.find("missing.so"), std::string::npos);
}

}  // namespace
}  // namespace e2e

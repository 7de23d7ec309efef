// deform over sequences: frames on several threads give the very bytes one thread writes,
// the progress line counts every frame once, and point caches (MDD, PC2) go in and out.
#include <algorithm>
#include <cmath>
#include <filesystem>

#include "e2e_env.h"
#include "hostapp/io/point_cache_file.h"

namespace e2e {
namespace {

using hostapp::PointCacheFormat;
using hostapp::PointCacheInfo;

// in: v. out: v rounded to a 32-bit float. (Through a volatile: GCC 12.2 at -O2 drops the
// rounding of x and y when a loop rounds all three coordinates of a vector in place.)
double ToFloat(double v) {
  volatile float f = static_cast<float>(v);
  return f;
}

class SequenceTest : public CliTest {
 protected:
  void SetUp() override {
    CliTest::SetUp();
    rest_ = WavedGrid(12, 9);
    WriteMesh("rest.obj", rest_);
    // Posed frames whose coordinates are floats exactly, so that OBJ and point cache carry
    // the same numbers.
    for (int f = 0; f < kFrames; ++f) {
      hostapp::Mesh posed = Bent(rest_, 0.02 * (f + 1));
      for (C4D_Vector& p : posed.points) p = C4D_Vector{ToFloat(p.x), ToFloat(p.y), ToFloat(p.z)};
      frames_.push_back(posed);
      WriteMesh("posed_000" + std::to_string(f) + ".obj", posed);
    }
  }

  // Writes frames_ as a point cache. out: its path.
  std::string WriteCache(const std::string& name, PointCacheFormat format) {
    PointCacheInfo info;
    info.format = format;
    info.points = static_cast<int32_t>(rest_.points.size());
    info.frames = kFrames;
    info.start = 100.0f;
    info.rate = 0.5f;
    for (int f = 0; f < kFrames; ++f) info.times.push_back(0.1f * f);
    hostapp::PointCacheWriter w;
    std::string error;
    EXPECT_TRUE(w.Open(Path(name), info, &error)) << error;
    for (int f = 0; f < kFrames; ++f) EXPECT_TRUE(w.WriteFrame(f, frames_[f].points, &error)) << error;
    EXPECT_TRUE(w.Finish(&error)) << error;
    return Path(name);
  }

  static constexpr int kFrames = 5;
  hostapp::Mesh rest_;
  std::vector<hostapp::Mesh> frames_;
};

TEST_F(SequenceTest, JobsWriteTheSameBytesAndCountEveryFrameOnce) {
  ASSERT_EQ(Run("bind --rest rest.obj --out b.tvs --iterations 3").code, 0);
  RunResult one = Run("deform --binding b.tvs --posed posed_%04d.obj --frames 0-4 --out one --jobs 1");
  ASSERT_EQ(one.code, 0) << one.err;
  RunResult three = Run("deform --binding b.tvs --posed posed_%04d.obj --frames 0-4 --out three --jobs 3");
  ASSERT_EQ(three.code, 0) << three.err;
  ASSERT_EQ(Files("one").size(), 5u);
  ASSERT_EQ(Files("one"), Files("three"));
  for (const std::string& f : Files("one")) EXPECT_EQ(ReadBytes(Path("one/" + f)), ReadBytes(Path("three/" + f))) << f;
  // Binding on the rest mesh in the same run, each thread with its own copy of the scene.
  RunResult rest = Run("deform --rest rest.obj --iterations 3 --posed posed_%04d.obj --frames 0-4 --out rest --jobs 2");
  ASSERT_EQ(rest.code, 0) << rest.err;
  for (const std::string& f : Files("one")) EXPECT_EQ(ReadBytes(Path("one/" + f)), ReadBytes(Path("rest/" + f))) << f;

  // The progress reads as one thread's: frames in order, each counted once.
  for (int f = 0; f < 5; ++f) {
    const std::string line = "[" + std::to_string(f + 1) + "/5] frame " + std::to_string(f) + ": ";
    EXPECT_NE(three.out.find(line), std::string::npos) << three.out;
    EXPECT_LT(three.out.find(line), three.out.find("[" + std::to_string(f + 2) + "/5]")) << three.out;
  }
  EXPECT_NE(three.out.find("wrote 5 frames to three"), std::string::npos) << three.out;
}

TEST_F(SequenceTest, PointCachesInAndOut) {
  ASSERT_EQ(Run("bind --rest rest.obj --out b.tvs").code, 0);
  ASSERT_EQ(Run("deform --binding b.tvs --posed posed_%04d.obj --frames 0-4 --out objs").code, 0);
  for (PointCacheFormat format : {PointCacheFormat::kPc2, PointCacheFormat::kMdd}) {
    const std::string ext = format == PointCacheFormat::kPc2 ? "pc2" : "mdd";
    SCOPED_TRACE(ext);
    WriteCache("in." + ext, format);
    // A cache in, OBJ files out: the same bytes as from the OBJ frames.
    RunResult r = Run("deform --binding b.tvs --posed in." + ext + " --out from_" + ext);
    ASSERT_EQ(r.code, 0) << r.err;
    for (const std::string& f : Files("objs"))
      EXPECT_EQ(ReadBytes(Path("objs/" + f)), ReadBytes(Path("from_" + ext + "/" + f))) << f;

    // A cache in and out, frames 1-3 of it: the same points, rounded to floats, and the timing
    // of the frames chosen.
    r = Run("deform --binding b.tvs --posed in." + ext + " --frames 1-3 --out out." + ext + " --jobs 2");
    ASSERT_EQ(r.code, 0) << r.err;
    hostapp::PointCacheReader out;
    std::string error;
    ASSERT_TRUE(out.Open(Path("out." + ext), &error)) << error;
    ASSERT_EQ(out.Info().frames, 3);
    if (format == PointCacheFormat::kPc2) {
      EXPECT_EQ(out.Info().start, 100.5f);
      EXPECT_EQ(out.Info().rate, 0.5f);
    } else {
      EXPECT_EQ(out.Info().times, (std::vector<float>{0.1f * 1, 0.1f * 2, 0.1f * 3}));
    }
    std::vector<C4D_Vector> points;
    for (int f = 0; f < 3; ++f) {
      ASSERT_TRUE(out.ReadFrame(f, &points, &error)) << error;
      const hostapp::Mesh m = ReadMesh(Path("objs/deformed_000" + std::to_string(f + 1) + ".obj"));
      ASSERT_EQ(points.size(), m.points.size());
      for (size_t i = 0; i < points.size(); ++i) {
        ASSERT_EQ(points[i].x, float(m.points[i].x)) << "frame " << f << " point " << i;
        ASSERT_EQ(points[i].z, float(m.points[i].z)) << "frame " << f << " point " << i;
      }
    }
  }
  // OBJ frames into a point cache.
  RunResult r = Run("deform --binding b.tvs --posed posed_%04d.obj --frames 2-4 --out objs.pc2");
  ASSERT_EQ(r.code, 0) << r.err;
  hostapp::PointCacheReader out;
  std::string error;
  ASSERT_TRUE(out.Open(Path("objs.pc2"), &error)) << error;
  EXPECT_EQ(out.Info().frames, 3);
  EXPECT_EQ(out.Info().start, 2.0f);
}

// GNU parallel spreads frame ranges over the machines of a login file; ":" is this machine,
// here with two slots. The merged folder is the one a single run writes, to the bit.
TEST_F(SequenceTest, GnuParallelSplitsFrameRangesOverSlots) {
  ASSERT_EQ(Run("bind --rest rest.obj --out b.tvs").code, 0);
  ASSERT_EQ(Run("deform --binding b.tvs --posed posed_%04d.obj --frames 0-4 --out single").code, 0);
  WriteText("machines.txt", "2/:\n");
  const RunResult r = clirun::RunShellIn(dir_, "parallel --will-cite --sshloginfile machines.txt --halt now,fail=1 " +
                                                   clirun::HostCommand() +
                                                   " deform --binding b.tvs --posed posed_%04d.obj --frames {} "
                                                   "--out split --jobs 1 ::: 0-1 2-4");
  ASSERT_EQ(r.code, 0) << "GNU parallel (Debian package parallel, see scripts/deps.sh): " << r.err;
  ASSERT_EQ(Files("split"), Files("single"));
  for (const std::string& f : Files("single"))
    EXPECT_EQ(ReadBytes(Path("single/" + f)), ReadBytes(Path("split/" + f))) << f;
}

TEST_F(SequenceTest, BadCachesAreRefusedBeforeAnythingIsWritten) {
  ASSERT_EQ(Run("bind --rest rest.obj --out b.tvs").code, 0);
  WriteCache("in.pc2", PointCacheFormat::kPc2);
  const std::vector<std::string> before = Files();
  struct Case {
    std::string args, message;
  };
  const std::vector<Case> cases = {
      {"--posed in.pc2 --frames 3-9 --out o", "holds frames 0-4"},
      {"--posed in.pc2 posed_0001.obj --out o", "must be the only posed file"},
      {"--posed short.pc2 --out o.pc2", "cut short"},
      {"--posed other.pc2 --out o.pc2", "points, but the rest mesh has"},
  };
  // A cut copy and a cache of another mesh.
  std::string bytes = ReadBytes(Path("in.pc2"));
  WriteText("short.pc2", bytes.substr(0, bytes.size() - 5));
  PointCacheInfo info;
  info.points = 3;
  info.frames = 1;
  hostapp::PointCacheWriter w;
  std::string error;
  ASSERT_TRUE(w.Open(Path("other.pc2"), info, &error) && w.WriteFrame(0, {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}, &error) &&
              w.Finish(&error))
      << error;
  for (const Case& c : cases) {
    RunResult r = Run("deform --binding b.tvs " + c.args);
    EXPECT_NE(r.code, 0) << c.args;
    EXPECT_NE(r.err.find(c.message), std::string::npos) << c.args << ": " << r.err;
  }
  std::vector<std::string> after = Files();
  after.erase(std::remove_if(after.begin(), after.end(),
                             [](const std::string& f) { return f == "short.pc2" || f == "other.pc2"; }),
              after.end());
  EXPECT_EQ(after, before);
}

}  // namespace
}  // namespace e2e

// tavren-host run on the shared glTF characters (a few frames each), and on files it must
// refuse: one line naming the file, a non-zero exit, nothing written.
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>

#include "hostapp/io/point_cache_file.h"
#include "run_env.h"

namespace e2e_run {
namespace {

class GltfRunTest : public ScratchTest {
 protected:
  // Runs the file over frames A-B into a new folder; checks every output of every frame and
  // prints the mean edge changes. out: the report's rows.
  std::vector<ReportRow> RunCharacter(const std::string& name, int first, int last) {
    const std::string out = Path(name);
    const RunResult r = RunHost("run ../shared/data/gltf/" + name + ".gltf --frames " + std::to_string(first) + "-" +
                                std::to_string(last) + " --out '" + out + "'");
    EXPECT_EQ(r.code, 0) << r.err;
    stdout_ = r.out;
    const hostapp::Mesh rest = ReadMesh(out + "/" + name + "_rest.obj");
    EXPECT_FALSE(rest.points.empty());
    for (int f = first; f <= last; ++f) {
      char frame[16];
      std::snprintf(frame, sizeof frame, "%04d", f);
      for (const char* kind : {"_skin_", "_corrected_"}) {
        SCOPED_TRACE(name + kind + frame);
        const hostapp::Mesh m = ReadMesh(out + "/" + name + kind + frame + ".obj");  // reading fails on NaN
        EXPECT_EQ(m.points.size(), rest.points.size());
        EXPECT_EQ(m.polygons.size(), rest.polygons.size());
      }
    }
    EXPECT_FALSE(ReadBytes(out + "/" + name + "_compare.png").empty());
    EXPECT_FALSE(ReadBytes(out + "/" + name + ".tvs").empty());

    const std::vector<ReportRow> rows = ReadReport(out + "/" + name + "_report.csv");
    EXPECT_EQ(rows.size(), static_cast<size_t>(last - first + 1));
    double skin = 0, corrected = 0;
    for (const ReportRow& row : rows) {
      EXPECT_TRUE(std::isfinite(row.skin_mean) && std::isfinite(row.corrected_mean) && std::isfinite(row.skin_max) &&
                  std::isfinite(row.corrected_max))
          << name << " frame " << row.frame;
      skin += row.skin_mean;
      corrected += row.corrected_mean;
    }
    if (!rows.empty()) {
      // Reported, not asserted: how the two compare depends on the character.
      std::printf("%s frames %d-%d: mean edge change skin-only %.4f %%, corrected %.4f %%\n", name.c_str(), first, last,
                  100.0 * skin / rows.size(), 100.0 * corrected / rows.size());
    }
    return rows;
  }

  // Runs args and checks the refusal: one line naming `names`, a non-zero exit, and the
  // scratch folder as it was (the output folder not even created).
  void ExpectRefused(const std::string& args, const std::string& names) {
    SCOPED_TRACE(args);
    const std::vector<std::string> before = Files(dir_);
    const RunResult r = RunHost(args + " --out '" + Path("out") + "'");
    EXPECT_NE(r.code, 0);
    const std::vector<std::string> lines = r.ErrLines();
    ASSERT_EQ(lines.size(), 1u) << r.err;
    EXPECT_NE(lines[0].find(names), std::string::npos) << lines[0];
    EXPECT_TRUE(r.out.empty()) << r.out;
    EXPECT_EQ(Files(dir_), before);
  }

  std::string stdout_;
};

TEST_F(GltfRunTest, CesiumMan) {
  const std::vector<ReportRow> rows = RunCharacter("CesiumMan", 10, 12);
  // The file's weights do not all sum to 1: the repair is reported.
  EXPECT_NE(stdout_.find("weights normalised on 177 of 2338 points"), std::string::npos) << stdout_;
  ASSERT_EQ(rows.size(), 3u);
  EXPECT_NEAR(rows[1].time, 11.0 / 24.0, 1e-9);
  EXPECT_TRUE(std::isfinite(rows[0].skin_volume));  // closed once welded
  // Every run lists the file's animations; an unnamed one by its index.
  EXPECT_NE(stdout_.find("  0  (unnamed), 0.000-2.000 s (2.000 s), frames 0-48 at 24 fps"), std::string::npos)
      << stdout_;
  EXPECT_NE(stdout_.find("Running animation 0 (unnamed)"), std::string::npos) << stdout_;
}

// --list names the animations and runs nothing; --animation takes an index or a name, and a
// range outside the animation is refused with the animation's own range.
TEST_F(GltfRunTest, AnimationsAreListedChosenAndKeptToTheirRange) {
  const std::string file = "../shared/data/gltf/CesiumMan.gltf";
  const RunResult list = RunHost("run " + file + " --list --out '" + Path("listed") + "'");
  EXPECT_EQ(list.code, 0) << list.err;
  EXPECT_NE(list.out.find("0  (unnamed)"), std::string::npos) << list.out;
  EXPECT_TRUE(Files(dir_).empty());

  ExpectRefused("run " + file + " --frames 40-60", "covers frames 0-48");
  ExpectRefused("run " + file + " --animation walk", "it has 0 (unnamed)");
  ExpectRefused("run " + file + " --animation 1", "--animation 1");

  const RunResult chosen = RunHost("run " + file + " --animation 0 --frames 47-48 --out '" + Path("chosen") + "'");
  EXPECT_EQ(chosen.code, 0) << chosen.err;
  EXPECT_NE(chosen.out.find("frames 47-48"), std::string::npos) << chosen.out;
}

TEST_F(GltfRunTest, RiggedFigure) {
  RunCharacter("RiggedFigure", 10, 12);
  EXPECT_NE(stdout_.find("weights normalised on 0 of 130 points"), std::string::npos) << stdout_;
}

TEST_F(GltfRunTest, RiggedSimple) { RunCharacter("RiggedSimple", 20, 22); }

TEST_F(GltfRunTest, CorrectedFramesAsPointCache) {
  const std::string out = Path("cache");
  const RunResult r = RunHost("run ../shared/data/gltf/RiggedSimple.gltf --frames 20-22 --cache pc2 --out '" + out + "'");
  ASSERT_EQ(r.code, 0) << r.err;
  EXPECT_NE(r.out.find("RiggedSimple_corrected.pc2"), std::string::npos) << r.out;
  hostapp::PointCacheReader cache;
  std::string error;
  ASSERT_TRUE(cache.Open(out + "/RiggedSimple_corrected.pc2", &error)) << error;
  EXPECT_EQ(cache.Info().frames, 3);
  EXPECT_EQ(cache.Info().start, 20.0f);
  std::vector<C4D_Vector> points;
  for (int f = 0; f < 3; ++f) {
    ASSERT_TRUE(cache.ReadFrame(f, &points, &error)) << error;
    const hostapp::Mesh m = ReadMesh(out + "/RiggedSimple_corrected_00" + std::to_string(20 + f) + ".obj");
    ASSERT_EQ(points.size(), m.points.size());
    for (size_t i = 0; i < points.size(); ++i) {
      ASSERT_EQ(points[i].x, static_cast<float>(m.points[i].x)) << "frame " << f << " point " << i;
      ASSERT_EQ(points[i].y, static_cast<float>(m.points[i].y));
      ASSERT_EQ(points[i].z, static_cast<float>(m.points[i].z));
    }
  }
}

TEST_F(GltfRunTest, BadFilesAreRefusedWithoutWritingAnything) {
  // Cut off in the middle, as by an interrupted copy.
  const std::string whole = ReadBytes(TAVREN_SOURCE_DIR "/../shared/data/gltf/RiggedSimple.gltf");
  ASSERT_FALSE(whole.empty());
  std::ofstream(Path("cut.gltf"), std::ios::binary) << whole.substr(0, whole.size() / 2);
  ExpectRefused("run '" + Path("cut.gltf") + "'", "cut.gltf");

  // A valid file with a mesh but no skin.
  std::ofstream(Path("rigid.gltf"), std::ios::binary) << R"({
    "asset": {"version": "2.0"},
    "scene": 0, "scenes": [{"nodes": [0]}],
    "nodes": [{"mesh": 0}],
    "meshes": [{"primitives": [{"attributes": {"POSITION": 0}}]}],
    "accessors": [{"bufferView": 0, "componentType": 5126, "count": 3, "type": "VEC3",
                   "min": [0, 0, 0], "max": [1, 1, 0]}],
    "bufferViews": [{"buffer": 0, "byteLength": 36}],
    "buffers": [{"byteLength": 36,
                 "uri": "data:application/octet-stream;base64,AAAAAAAAAAAAAAAAAACAPwAAAAAAAAAAAAAAAAAAgD8AAAAA"}]
  })";
  ExpectRefused("run '" + Path("rigid.gltf") + "'", "rigid.gltf");

  std::filesystem::create_directory(Path("folder.gltf"));
  ExpectRefused("run '" + Path("folder.gltf") + "'", "folder.gltf");
  ExpectRefused("run '" + Path("missing.gltf") + "'", "missing.gltf");
  ExpectRefused("run ../shared/data/gltf/RiggedSimple.gltf --frames 5-2", "--frames");
}

// in: text in base64. out: the bytes it encodes.
std::string FromBase64(const std::string& text) {
  static const std::string kDigits = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  std::string out;
  uint32_t bits = 0;
  int count = 0;
  for (char c : text) {
    const size_t v = kDigits.find(c);
    if (v == std::string::npos) continue;  // padding
    bits = (bits << 6) | static_cast<uint32_t>(v);
    if ((count += 6) >= 8) out += static_cast<char>((bits >> (count -= 8)) & 0xff);
  }
  return out;
}

// RiggedSimple with its buffer moved to a file: the glTF text, and the buffer's bytes.
struct SplitScene {
  nlohmann::json doc;
  std::string bin;
};
SplitScene RiggedSimpleSplit() {
  SplitScene s;
  s.doc = nlohmann::json::parse(ReadBytes(TAVREN_SOURCE_DIR "/../shared/data/gltf/RiggedSimple.gltf"));
  const std::string uri = s.doc["buffers"][0]["uri"];
  s.bin = FromBase64(uri.substr(uri.find(',') + 1));
  return s;
}

TEST_F(GltfRunTest, BuffersAreReadOnlyFromTheFilesFolder) {
  SplitScene s = RiggedSimpleSplit();
  std::filesystem::create_directory(Path("scene"));
  std::ofstream(Path("secret.bin"), std::ios::binary) << s.bin;
  std::ofstream(Path("scene/near.bin"), std::ios::binary) << s.bin;
  // The buffer beside the file loads (so the refusals below are the guard's doing).
  s.doc["buffers"][0]["uri"] = "near.bin";
  std::ofstream(Path("scene/near.gltf")) << s.doc.dump();
  const RunResult ok = RunHost("run '" + Path("scene/near.gltf") + "' --frames 1-1 --out '" + Path("near") + "'");
  EXPECT_EQ(ok.code, 0) << ok.err;
  std::filesystem::remove_all(Path("near"));

  for (const std::string& uri : std::vector<std::string>{"../secret.bin", "..%2Fsecret.bin", Path("secret.bin")}) {
    s.doc["buffers"][0]["uri"] = uri;
    std::ofstream(Path("scene/hostile.gltf")) << s.doc.dump();
    ExpectRefused("run '" + Path("scene/hostile.gltf") + "'", "leads outside the glTF file's folder");
  }
}

TEST_F(GltfRunTest, HierarchiesDeeperThanASceneHoldsAreRefusedBeforeAnythingIsWritten) {
  const std::string whole = ReadBytes(TAVREN_SOURCE_DIR "/../shared/data/gltf/RiggedSimple.gltf");
  for (int levels : {1025, 100000}) {
    nlohmann::json doc = nlohmann::json::parse(whole);
    const int first = static_cast<int>(doc["nodes"].size());
    for (int i = 0; i < levels; ++i) {
      nlohmann::json node = {{"name", "link"}};
      if (i + 1 < levels) node["children"] = {first + i + 1};
      doc["nodes"].push_back(node);
    }
    std::ofstream(Path("deep.gltf")) << doc.dump();
    ExpectRefused("run '" + Path("deep.gltf") + "'",
                  "node " + std::to_string(first + 1024) + " is nested deeper than 1024 levels");
  }
}

TEST_F(GltfRunTest, ASignalLeavesOnlyCompleteFiles) {
  const std::string out = Path("out");
  const pid_t child = ::fork();
  if (child == 0) {
    ::chdir(TAVREN_SOURCE_DIR);
    ::execl(TAVREN_BINARY_DIR "/cli/tavren-host", "tavren-host", "run", "../shared/data/gltf/CesiumMan.gltf",
            "--fps", "200", "--out", out.c_str(), static_cast<char*>(nullptr));
    ::_exit(127);
  }
  // Stop it once frames are being written.
  int status = 0;
  bool stopped = false;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::minutes(3);
  while (!stopped && std::chrono::steady_clock::now() < deadline) {
    if (::waitpid(child, &status, WNOHANG) == child) break;  // finished before: nothing to check
    for (const std::string& name : Files(out)) stopped = stopped || name.find("_skin_") != std::string::npos;
    if (stopped) {
      ::kill(child, SIGTERM);
      ::waitpid(child, &status, 0);
    } else {
      ::usleep(1000);
    }
  }
  ASSERT_TRUE(stopped) << "the run ended before any frame was written";
  EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGTERM) << status;
  const std::vector<std::string> names = Files(out);
  for (const std::string& name : names) {
    EXPECT_EQ(name.find(".tmp."), std::string::npos) << name;
    if (name.size() > 4 && name.compare(name.size() - 4, 4, ".obj") == 0) {
      SCOPED_TRACE(name);
      EXPECT_FALSE(ReadMesh(out + "/" + name).points.empty());  // complete: reading checks every line
    }
  }
}

TEST_F(GltfRunTest, FrameCountsBeyondTheLimitAreRefusedBeforeAnyWork) {
  // The range given: refused by the rule it breaks, as deform refuses it.
  ExpectRefused("run ../shared/data/gltf/RiggedSimple.gltf --frames 0-100000000",
                "--frames 0-100000000: 100000001 frames, but one run evaluates at most 100000");
  ExpectRefused("run ../shared/data/gltf/RiggedSimple.gltf --frames 0-99999999999",
                "frame numbers go up to 2147483647");
  // The range the animation gives: a two-second animation sampled far too finely.
  const std::string seed = TAVREN_SOURCE_DIR "/fuzz/corpus/gltf/two_joints.gltf";
  ExpectRefused("run '" + seed + "' --fps 100000",
                "the animation (0-2 s) at 100000 fps gives frames 0-200000: 200001 frames, but one run evaluates "
                "at most 100000");
  ExpectRefused("run '" + seed + "' --iterations 10001", "--iterations");
  // One key ten million seconds in: refused at once, not after gigabytes of samples.
  ExpectRefused("run " TAVREN_SOURCE_DIR "/fuzz/corpus/gltf/late_key.gltf",
                "late_key.gltf: the animation (0-1e+07 s) at 24 fps gives frames 0-240000000: 240000001 frames");
  // A bad data: URI is named, shortened, on one line.
  std::string uri = "data:application/octet-stream;base64," + std::string(15000, '!');
  std::ofstream(Path("uri.gltf"), std::ios::binary)
      << R"({"asset": {"version": "2.0"}, "buffers": [{"byteLength": 36, "uri": ")" << uri << R"("}]})";
  const RunResult r = RunHost("run '" + Path("uri.gltf") + "' --out '" + Path("out") + "'");
  EXPECT_NE(r.code, 0);
  ASSERT_EQ(r.ErrLines().size(), 1u) << r.err;
  EXPECT_LT(r.err.size(), 400u) << r.err;
  EXPECT_NE(r.err.find("uri.gltf"), std::string::npos) << r.err;
}

}  // namespace
}  // namespace e2e_run

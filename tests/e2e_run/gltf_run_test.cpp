// tavren-host run on the shared glTF characters (a few frames each), and on files it must
// refuse: one line naming the file, a non-zero exit, nothing written.
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>

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

}  // namespace
}  // namespace e2e_run

// Point caches (MDD, PC2): the byte layout each application expects, round trips, frames
// written out of order, and every damaged file refused with a message naming the fault.
#include "hostapp/io/point_cache_file.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <fstream>
#include <iterator>
#include <limits>
#include <string>
#include <vector>

#include "io/temp_dir.h"

namespace {

using hostapp::PointCacheFormat;
using hostapp::PointCacheInfo;
using hostapp::PointCacheReader;
using hostapp::PointCacheWriter;
using hostapp_test::TempDir;

std::string Bytes(std::initializer_list<int> b) {
  std::string s;
  for (int v : b) s += static_cast<char>(v);
  return s;
}

// Frame f of a small moving cache; every coordinate a float exactly.
std::vector<C4D_Vector> FramePoints(int32_t f, int32_t n) {
  std::vector<C4D_Vector> p;
  for (int32_t i = 0; i < n; ++i) p.push_back(C4D_Vector{i * 0.5 + f, -1.25 * i, 1024.0 + f * 0.125});
  return p;
}

PointCacheInfo Info(PointCacheFormat format, int32_t points, int32_t frames) {
  PointCacheInfo info;
  info.format = format;
  info.points = points;
  info.frames = frames;
  return info;
}

bool SamePoints(const std::vector<C4D_Vector>& a, const std::vector<C4D_Vector>& b) {
  return a.size() == b.size() && std::memcmp(a.data(), b.data(), a.size() * sizeof(C4D_Vector)) == 0;
}

TEST(PointCacheFile, ByteLayoutOfEachFormat) {
  TempDir dir;
  // PC2: little-endian, 1 point, first frame 10, rate 0.5, 1 sample: (1, 2, -2).
  const std::string pc2 = dir.Write("a.pc2", std::string("POINTCACHE2", 12) + Bytes({1, 0, 0, 0, 1, 0, 0, 0}) +
                                                 Bytes({0, 0, 0x20, 0x41, 0, 0, 0, 0x3f, 1, 0, 0, 0}) +
                                                 Bytes({0, 0, 0x80, 0x3f, 0, 0, 0, 0x40, 0, 0, 0, 0xc0}));
  PointCacheReader r;
  std::string error;
  ASSERT_TRUE(r.Open(pc2, &error)) << error;
  EXPECT_EQ(r.Info().points, 1);
  EXPECT_EQ(r.Info().frames, 1);
  EXPECT_EQ(r.Info().start, 10.0f);
  EXPECT_EQ(r.Info().rate, 0.5f);
  std::vector<C4D_Vector> p;
  ASSERT_TRUE(r.ReadFrame(0, &p, &error)) << error;
  ASSERT_EQ(p.size(), 1u);
  EXPECT_EQ(p[0].x, 1.0);
  EXPECT_EQ(p[0].y, 2.0);
  EXPECT_EQ(p[0].z, -2.0);

  // MDD: big-endian, 2 frames of 1 point, times 0 and 0.5.
  const std::string mdd = dir.Write("a.mdd", Bytes({0, 0, 0, 2, 0, 0, 0, 1, 0, 0, 0, 0, 0x3f, 0, 0, 0}) +
                                                 Bytes({0x3f, 0x80, 0, 0, 0x40, 0, 0, 0, 0xc0, 0, 0, 0}) +
                                                 Bytes({0x40, 0x40, 0, 0, 0, 0, 0, 0, 0x3f, 0x80, 0, 0}));
  ASSERT_TRUE(r.Open(mdd, &error)) << error;
  EXPECT_EQ(r.Info().frames, 2);
  EXPECT_EQ(r.Info().times, (std::vector<float>{0.0f, 0.5f}));
  ASSERT_TRUE(r.ReadFrame(1, &p, &error)) << error;
  EXPECT_EQ(p[0].x, 3.0);
  EXPECT_EQ(p[0].y, 0.0);
  EXPECT_EQ(p[0].z, 1.0);

  // Writing gives back these very bytes.
  PointCacheInfo info = Info(PointCacheFormat::kMdd, 1, 2);
  info.times = {0.0f, 0.5f};
  PointCacheWriter w;
  const std::string out = dir.File("b.mdd");
  ASSERT_TRUE(w.Open(out, info, &error)) << error;
  ASSERT_TRUE(w.WriteFrame(1, {C4D_Vector{3, 0, 1}}, &error)) << error;
  ASSERT_TRUE(w.WriteFrame(0, {C4D_Vector{1, 2, -2}}, &error)) << error;
  ASSERT_TRUE(w.Finish(&error)) << error;
  std::ifstream a(mdd, std::ios::binary), b(out, std::ios::binary);
  EXPECT_EQ(std::string(std::istreambuf_iterator<char>(a), {}), std::string(std::istreambuf_iterator<char>(b), {}));
}

TEST(PointCacheFile, RoundTripsInAnyFrameOrder) {
  TempDir dir;
  for (PointCacheFormat format : {PointCacheFormat::kMdd, PointCacheFormat::kPc2}) {
    const std::string path = dir.File(format == PointCacheFormat::kMdd ? "r.mdd" : "r.pc2");
    PointCacheInfo info = Info(format, 37, 5);
    info.start = 12.0f;
    info.rate = 2.0f;
    PointCacheWriter w;
    std::string error;
    ASSERT_TRUE(w.Open(path, info, &error)) << error;
    for (int32_t f : {3, 0, 4, 1, 2}) ASSERT_TRUE(w.WriteFrame(f, FramePoints(f, 37), &error)) << error;
    ASSERT_TRUE(w.Finish(&error)) << error;
    EXPECT_EQ(dir.List().size(), 1u + (format == PointCacheFormat::kPc2)) << "no temporary file left";

    PointCacheReader r;
    ASSERT_TRUE(r.Open(path, &error)) << error;
    EXPECT_EQ(r.Info().points, 37);
    EXPECT_EQ(r.Info().frames, 5);
    if (format == PointCacheFormat::kPc2) {
      EXPECT_EQ(r.Info().start, 12.0f);
      EXPECT_EQ(r.Info().rate, 2.0f);
    } else {
      EXPECT_EQ(r.Info().times[4], 4.0f / 24.0f);  // no times given: frame / 24 s
    }
    std::vector<C4D_Vector> p;
    for (int32_t f : {4, 0, 2}) {
      ASSERT_TRUE(r.ReadFrame(f, &p, &error)) << error;
      EXPECT_TRUE(SamePoints(p, FramePoints(f, 37))) << "frame " << f;
    }
    EXPECT_FALSE(r.ReadFrame(5, &p, &error));
    EXPECT_NE(error.find("no frame 5"), std::string::npos) << error;
  }
}

TEST(PointCacheFile, WriterLeavesNothingOnFailure) {
  TempDir dir;
  std::string error;
  {
    PointCacheWriter w;
    ASSERT_TRUE(w.Open(dir.File("gap.pc2"), Info(PointCacheFormat::kPc2, 2, 3), &error)) << error;
    ASSERT_TRUE(w.WriteFrame(0, FramePoints(0, 2), &error));
    ASSERT_TRUE(w.WriteFrame(2, FramePoints(2, 2), &error));
    EXPECT_FALSE(w.WriteFrame(1, FramePoints(1, 3), &error));
    EXPECT_NE(error.find("3 points"), std::string::npos) << error;
    EXPECT_FALSE(w.Finish(&error));
    EXPECT_NE(error.find("frame 1 was never written"), std::string::npos) << error;
  }
  {
    PointCacheWriter w;
    ASSERT_TRUE(w.Open(dir.File("big.mdd"), Info(PointCacheFormat::kMdd, 1, 1), &error)) << error;
    EXPECT_FALSE(w.WriteFrame(0, {C4D_Vector{1e39, 0, 0}}, &error));
    EXPECT_NE(error.find("does not fit a 32-bit float"), std::string::npos) << error;
  }  // abandoned without Finish
  EXPECT_TRUE(dir.List().empty());
  PointCacheWriter w;
  EXPECT_FALSE(w.Open(dir.File("none.pc2"), Info(PointCacheFormat::kPc2, 0, 1), &error));
}

TEST(PointCacheFile, DamagedFilesAreRefusedBeforeReading) {
  TempDir dir;
  const std::string pc2_head = std::string("POINTCACHE2", 12) + Bytes({1, 0, 0, 0});
  const std::string one_sample = Bytes({0, 0, 0, 0, 0, 0, 0x80, 0x3f, 1, 0, 0, 0});
  const std::string point = Bytes({0, 0, 0x80, 0x3f, 0, 0, 0x80, 0x3f, 0, 0, 0x80, 0x3f});
  struct Case {
    std::string name, bytes, message;
  };
  const std::vector<Case> cases = {
      {"short.pc2", "POINT", "shorter than its header"},
      {"sig.pc2", std::string("POINTCACHE3", 12) + std::string(20, '\0'), "does not start with POINTCACHE2"},
      {"version.pc2", std::string("POINTCACHE2", 12) + Bytes({2, 0, 0, 0}) + std::string(16, '\0'), "version 2"},
      {"cut.pc2", pc2_head + Bytes({2, 0, 0, 0}) + one_sample + point, "cut short"},
      {"extra.pc2", pc2_head + Bytes({1, 0, 0, 0}) + one_sample + point + "x", "has 44"},
      // Counts that would need terabytes are refused from the size alone.
      {"huge.pc2", pc2_head + Bytes({0, 0xe1, 0xf5, 0x05}) + Bytes({0, 0, 0, 0, 0, 0, 0x80, 0x3f, 0x40, 0x42, 0x0f, 0}),
       "cut short"},
      {"negative.pc2", pc2_head + Bytes({0xff, 0xff, 0xff, 0xff}) + one_sample, "-1 points"},
      {"nan.pc2", pc2_head + Bytes({1, 0, 0, 0}) + one_sample + Bytes({0, 0, 0xc0, 0x7f}) + std::string(8, '\0'),
       "point 0: a coordinate is not a finite number"},
      {"short.mdd", Bytes({0, 0, 0, 1}), "shorter than its header"},
      {"frames.mdd", Bytes({0x7f, 0xff, 0xff, 0xff, 0, 0, 0, 1}), "frames (1 to"},
      {"times.mdd", Bytes({0, 0, 0, 1, 0, 0, 0, 1, 0x7f, 0x80, 0, 0}) + point, "time of frame 0"},
      {"cut.mdd", Bytes({0, 0, 0, 2, 0, 0, 0, 1, 0, 0, 0, 0, 0, 0, 0, 0}) + point, "cut short"},
  };
  for (const Case& c : cases) {
    const std::string path = dir.Write(c.name, c.bytes);
    PointCacheReader r;
    std::string error;
    std::vector<C4D_Vector> p;
    const bool ok = r.Open(path, &error) && r.ReadFrame(0, &p, &error);
    EXPECT_FALSE(ok) << c.name;
    EXPECT_NE(error.find(c.message), std::string::npos) << c.name << ": " << error;
    EXPECT_EQ(error.rfind(path, 0), 0u) << c.name << ": " << error;
  }
  PointCacheReader r;
  std::string error;
  EXPECT_FALSE(r.Open(dir.File("missing.pc2"), &error));
  EXPECT_NE(error.find("cannot open"), std::string::npos) << error;
  EXPECT_FALSE(r.Open(dir.Write("mesh.obj", "v 0 0 0\n"), &error));
  EXPECT_NE(error.find(".mdd or .pc2"), std::string::npos) << error;
}

}  // namespace

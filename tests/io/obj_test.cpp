// OBJ import and export: the statements and corner forms read, the splitting of large
// faces, every error path with its file and line, exact round trips, atomic writes.
#include "hostapp/io/obj.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <filesystem>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "hostapp/io/float_list.h"
#include "hostapp/services/limits.h"
#include "io/temp_dir.h"

namespace {

using hostapp::Mesh;
using hostapp_test::TempDir;

// in: dir, name, size. out: the path of a file of that size holding no data (a hole).
std::string SparseFile(const TempDir& dir, const std::string& name, uint64_t size) {
  const std::string path = dir.Write(name, "");
  std::filesystem::resize_file(path, size);
  return path;
}

std::vector<std::vector<int32_t>> Corners(const Mesh& m) {
  std::vector<std::vector<int32_t>> out;
  for (const C4D_CPolygon& p : m.polygons) out.push_back({p.a, p.b, p.c, p.d});
  return out;
}

TEST(ReadObj, CornerFormsRelativeIndicesAndIgnoredStatements) {
  TempDir dir;
  std::string path = dir.Write("forms.obj",
                               "# comment\r\n"
                               "mtllib x.mtl\r\n"
                               "o thing\n"
                               "v 0 0 0\n"
                               "v 1 0 0 1.0\n"          // w ignored
                               "v 1 1 0 0.5 0.5 0.5\n"  // vertex colour ignored
                               "v +0 1 -2.5e-1\n"
                               "vt 0 0\nvn 0 0 1\ns off\ng grp\nusemtl m\nl 1 2\n"
                               "f 1 2 3\n"
                               "f 1/1 2/1 3/1 4/1\n"
                               "f 1//1 2//1 3//1\n"
                               "f 1/1/1 2/1/1 3/1/1\n"
                               "f -4 -3 -1\n"
                               "\tf  1   2\t4  ");  // no newline at the end
  Mesh m;
  std::string error;
  ASSERT_TRUE(hostapp::ReadObj(path, &m, &error)) << error;
  ASSERT_EQ(m.points.size(), 4u);
  EXPECT_EQ(m.points[3].x, 0.0);
  EXPECT_EQ(m.points[3].z, -0.25);
  EXPECT_EQ(Corners(m), (std::vector<std::vector<int32_t>>{
                            {0, 1, 2, 2}, {0, 1, 2, 3}, {0, 1, 2, 2}, {0, 1, 2, 2}, {0, 1, 3, 3}, {0, 1, 3, 3}}));
}

TEST(ReadObj, FacesBeforeTheirVerticesAreAccepted) {
  TempDir dir;
  std::string path = dir.Write("forward.obj", "f 1 2 3\nv 0 0 0\nv 1 0 0\nv 0 1 0\n");
  Mesh m;
  std::string error;
  ASSERT_TRUE(hostapp::ReadObj(path, &m, &error)) << error;
  EXPECT_EQ(Corners(m), (std::vector<std::vector<int32_t>>{{0, 1, 2, 2}}));
}

TEST(ReadObj, LargeFacesSplitIntoAQuadFanThenATriangle) {
  TempDir dir;
  std::string v = "v 0 0 0\nv 1 0 0\nv 2 1 0\nv 2 2 0\nv 1 3 0\nv 0 3 0\nv -1 1 0\n";
  std::string path = dir.Write("ngons.obj", v + "f 1 2 3 4 5\nf 1 2 3 4 5 6\nf 1 2 3 4 5 6 7\n");
  Mesh m;
  std::string error;
  ASSERT_TRUE(hostapp::ReadObj(path, &m, &error)) << error;
  EXPECT_EQ(Corners(m), (std::vector<std::vector<int32_t>>{{0, 1, 2, 3},
                                                           {0, 3, 4, 4},  // pentagon
                                                           {0, 1, 2, 3},
                                                           {0, 3, 4, 5},  // hexagon
                                                           {0, 1, 2, 3},
                                                           {0, 3, 4, 5},
                                                           {0, 5, 6, 6}}));  // heptagon
}

TEST(ReadObj, FaultsNameTheFileAndLine) {
  const std::string v3 = "v 0 0 0\nv 1 0 0\nv 0 1 0\n";
  struct Case {
    std::string text;
    std::string where;  // expected "FILE:LINE" suffix
    std::string what;   // expected part of the message
  };
  const std::vector<Case> cases = {
      {v3 + "f 1 2 4\n", ":4:", "out of range (the file has 3 vertices)"},
      {v3 + "f 1 2 3\n\nf 1 2 9\nv 1 1 1\n", ":6:", "index 9 is out of range (the file has 4 vertices)"},
      {v3 + "f 0 1 2\n", ":4:", "index 0"},
      {v3 + "f -1 -2 -4\n", ":4:", "before the first vertex"},
      {v3 + "f 1 2\n", ":4:", "at least 3 corners"},
      {v3 + "f\n", ":4:", "at least 3 corners"},
      {v3 + "f 1 2 x\n", ":4:", "'x' is not of the form"},
      {v3 + "f 1/2/3/4 2 3\n", ":4:", "more than three parts"},
      {v3 + "f 1/ 2 3\n", ":4:", "not of the form"},
      {v3 + "f 1// 2 3\n", ":4:", "not of the form"},
      {v3 + "f 1 2 99999999999999999999\n", ":4:", "not of the form"},
      {v3 + "f 1 2 3000000000\n", ":4:", "out of range"},
      {"v 0 0\n", ":1:", "three coordinates"},
      {"v 0 0 nan\n", ":1:", "'nan' is not a finite number"},
      {"v 0 1e999 0\n", ":1:", "not a finite number"},
      {"v 0 0 0x\n", ":1:", "'0x'"},
      {"v 0 0 0\nv 1,5 0 0\n", ":2:", "'1,5'"},
      // The most negative index cannot be negated: refused at its line, never wrapped.
      {v3 + "f 1 2 -9223372036854775808\n", ":4:", "before the first vertex (3 read so far)"},
      {v3 + "f 1 2 9223372036854775807\n", ":4:", "vertex index 9223372036854775807 is out of range"},
      // Text after a vertex's numbers is refused, not dropped.
      {"v 0 0 0 junk\n", ":1:", "'junk' after the vertex's coordinates is not a number"},
      {"v 0 0 0 1 2 3 4 5\n", ":1:", "more than seven numbers"},
      {"v 1 2 3\tx\x1b[2J\n", ":1:", "'x\\x1b[2J' after"},
      // Line ends of old Mac files count lines as well.
      {"v 0 0 0\rv 1 0 0\rv 0 1 0\r\rf 1 2 9\r", ":5:", "index 9 is out of range"},
  };
  TempDir dir;
  for (const Case& c : cases) {
    std::string path = dir.Write("bad.obj", c.text);
    Mesh m;
    m.points.push_back({7, 7, 7});
    std::string error;
    EXPECT_FALSE(hostapp::ReadObj(path, &m, &error)) << c.text;
    EXPECT_NE(error.find(path + c.where), std::string::npos) << c.text << " -> " << error;
    EXPECT_NE(error.find(c.what), std::string::npos) << c.text << " -> " << error;
    EXPECT_EQ(m.points.size(), 1u) << "output touched on failure";
    EXPECT_EQ(error.find('\n'), std::string::npos);
  }
}

TEST(ReadObj, EveryKindOfLineEndIsALineEnd) {
  const std::string lines[] = {"# three points", "v 0 0 0", "v 1 0 0 # a comment after the values",
                               "v 0 1 0 1", "f 1 2 3 # one face"};
  TempDir dir;
  for (const char* end : {"\n", "\r\n", "\r"}) {
    std::string text;
    for (const std::string& l : lines) text += l + end;
    Mesh m;
    std::string error;
    ASSERT_TRUE(hostapp::ReadObj(dir.Write("ends.obj", text), &m, &error)) << error;
    EXPECT_EQ(m.points.size(), 3u) << "ending " << static_cast<int>(end[0]);
    EXPECT_EQ(Corners(m), (std::vector<std::vector<int32_t>>{{0, 1, 2, 2}}));
    EXPECT_EQ(m.points[2].y, 1.0);
  }
  Mesh mixed;
  std::string error;
  ASSERT_TRUE(hostapp::ReadObj(dir.Write("mixed.obj", "v 0 0 0\rv 1 0 0\r\nv 0 1 0\n\r\nf 1 2 3"), &mixed, &error))
      << error;
  EXPECT_EQ(mixed.points.size(), 3u);
  EXPECT_EQ(mixed.polygons.size(), 1u);
}

TEST(ReadObj, LargeFilesAreReadInPiecesWithTheSameResultAsInMemory) {
  // Many lines, so that the file is read in several pieces of 64 KiB. The padding puts a
  // "\r\n" across the edge of the first two pieces, then each line end next to it.
  std::string body = "#\r\n";
  for (int i = 0; i < 6000; ++i) body += "v " + std::to_string(i) + " 0.5 -2\r\n";
  for (int i = 1; i + 2 <= 6000; i += 3)
    body += "f " + std::to_string(i) + " " + std::to_string(i + 1) + " " + std::to_string(i + 2) + "\r";
  const size_t edge = 65536, split = body.rfind('\r', edge - 1);
  TempDir dir;
  for (size_t pad = edge - 1 - split; pad < edge + 2 - split; ++pad) {
    const std::string text = std::string(pad, '#') + body;
    Mesh streamed, whole;
    std::string error;
    ASSERT_TRUE(hostapp::ReadObj(dir.Write("big.obj", text), &streamed, &error)) << error;
    ASSERT_TRUE(hostapp::ParseObj(text, "big.obj", &whole, &error)) << error;
    ASSERT_EQ(streamed.points.size(), 6000u);
    EXPECT_EQ(streamed.points.back().x, 5999.0);
    EXPECT_EQ(streamed.polygons.size(), 2000u);
    EXPECT_EQ(Corners(streamed), Corners(whole));
  }
  // A line longer than any OBJ statement needs is refused at its line.
  std::string error;
  Mesh m;
  const std::string path = dir.Write("long.obj", "v 0 0 0\nv 1 1 " + std::string(2 << 20, '1') + "\n");
  EXPECT_FALSE(hostapp::ReadObj(path, &m, &error));
  EXPECT_NE(error.find(path + ":2: line longer than 1048576 bytes"), std::string::npos) << error;
}

TEST(ReadObj, UnusableFilesGiveAClearError) {
  TempDir dir;
  struct Case {
    std::string path;
    std::string what;
  };
  const std::vector<Case> cases = {
      {dir.File("missing.obj"), "no such file"},
      {dir.path(), "is a directory"},
      {dir.Write("empty.obj", ""), "no vertices"},
      {dir.Write("faces-only.obj", "# nothing\nf 1 2 3\n"), "no vertices"},
      {dir.Write("binary.obj", std::string("\x89PNG\r\n\x1a\n\0\0\0\rIHDR", 16)), "no vertices"},
      // Refused by its size alone: the sparse file takes no room and is never read.
      {SparseFile(dir, "huge.obj", hostapp::kMaxInputFileBytes + 1), "file too large (2147483648 bytes"},
  };
  for (const Case& c : cases) {
    Mesh m;
    std::string error;
    EXPECT_FALSE(hostapp::ReadObj(c.path, &m, &error)) << c.path;
    EXPECT_EQ(error.rfind(c.path, 0), 0u) << error;
    EXPECT_NE(error.find(c.what), std::string::npos) << error;
  }
}

TEST(ReadObj, MutatedInputNeverCrashes) {
  const std::string base = "v 0 0 0\nv 1 0 0\nv 0 1 0\nv 1 1 0\nf 1/1/1 2//2 -1 4 3\nf -4 -3 -2\n";
  const std::string alphabet = "vf /-+.0123456789e\n\r\t#x";
  std::mt19937 rng(1234);
  TempDir dir;
  for (int i = 0; i < 300; ++i) {
    std::string text = base;
    for (int k = 0, n = 1 + static_cast<int>(rng() % 6); k < n; ++k) {
      size_t at = rng() % (text.size() + 1);
      switch (rng() % 3) {
        case 0:
          text.insert(at, 1, alphabet[rng() % alphabet.size()]);
          break;
        case 1:
          if (at < text.size()) text.erase(at, 1);
          break;
        default:
          if (at < text.size()) text[at] = static_cast<char>(rng() & 0xff);
          break;
      }
    }
    Mesh m;
    std::string error;
    if (hostapp::ReadObj(dir.Write("m.obj", text), &m, &error)) {
      for (const C4D_CPolygon& p : m.polygons) {
        for (int32_t c : {p.a, p.b, p.c, p.d}) {
          ASSERT_TRUE(c >= 0 && static_cast<size_t>(c) < m.points.size()) << text;
        }
      }
    } else {
      ASSERT_FALSE(error.empty());
    }
  }
}

TEST(ReadObj, SharedMeshesHaveTheirKnownCounts) {
  struct Case {
    const char* file;
    size_t points, polygons;
  };
  // spot_control_mesh: 4 triangles, 160 quads and 16 pentagons, each pentagon a quad and a triangle.
  const Case cases[] = {
      {"spot_control_mesh.obj", 188, 4 + 160 + 2 * 16},
      {"spot_quadrangulated.obj", 2930, 2928},
      {"stanford-bunny.obj", 35947, 69451},
      {"bunny.obj", 3301, 6598},
      {"hand_lowres.obj", 810, 1602},
      {"demosthenes-low-res.obj", 8394, 16719},
  };
  for (const Case& c : cases) {
    Mesh m;
    std::string error;
    ASSERT_TRUE(hostapp::ReadObj(std::string("../shared/data/obj/") + c.file, &m, &error)) << error;
    EXPECT_EQ(m.points.size(), c.points) << c.file;
    EXPECT_EQ(m.polygons.size(), c.polygons) << c.file;
  }
}

TEST(WriteObj, RoundTripIsExact) {
  Mesh m;
  const double awkward[] = {
      0.1, 1.0 / 3.0, -0.0, 1e-300, 4.9e-324, -1.7976931348623157e308, 123456789.123456789, std::nextafter(1.0, 2.0)};
  for (double a : awkward) m.points.push_back({a, -a, a * 0.5});
  m.polygons = {{0, 1, 2, 2}, {3, 4, 5, 6}, {7, 0, 3, 3}};
  TempDir dir;
  std::string path = dir.File("out.obj");
  std::string error;
  ASSERT_TRUE(hostapp::WriteObj(path, m, &error)) << error;
  Mesh back;
  ASSERT_TRUE(hostapp::ReadObj(path, &back, &error)) << error;
  ASSERT_EQ(back.points.size(), m.points.size());
  for (size_t i = 0; i < m.points.size(); ++i) {
    EXPECT_EQ(std::signbit(back.points[i].x), std::signbit(m.points[i].x));
    EXPECT_EQ(back.points[i].x, m.points[i].x);
    EXPECT_EQ(back.points[i].y, m.points[i].y);
    EXPECT_EQ(back.points[i].z, m.points[i].z);
  }
  EXPECT_EQ(Corners(back), Corners(m));
  EXPECT_EQ(dir.List(), std::vector<std::string>{"out.obj"});  // no temporary left behind

  Mesh hand, hand_back;
  ASSERT_TRUE(hostapp::ReadObj("../shared/data/obj/hand_lowres.obj", &hand, &error)) << error;
  ASSERT_TRUE(hostapp::WriteObj(path, hand, &error)) << error;
  ASSERT_TRUE(hostapp::ReadObj(path, &hand_back, &error)) << error;
  EXPECT_EQ(Corners(hand_back), Corners(hand));
  EXPECT_EQ(0, std::memcmp(hand_back.points.data(), hand.points.data(), hand.points.size() * sizeof(C4D_Vector)));
}

TEST(WriteObj, RefusedMeshesAndFailedWritesLeaveNoFile) {
  TempDir dir;
  const std::string keep = dir.Write("keep.obj", "v 1 2 3\n");
  Mesh bad_index;
  bad_index.points = {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}};
  bad_index.polygons = {{0, 1, 3, 3}};
  Mesh not_finite;
  not_finite.points = {{0, std::numeric_limits<double>::quiet_NaN(), 0}};
  Mesh fine;
  fine.points = {{0, 0, 0}};

  std::string error;
  EXPECT_FALSE(hostapp::WriteObj(keep, bad_index, &error));
  EXPECT_NE(error.find("polygon 0 uses point 3"), std::string::npos) << error;
  EXPECT_FALSE(hostapp::WriteObj(keep, not_finite, &error));
  EXPECT_NE(error.find("point 0"), std::string::npos) << error;
  EXPECT_FALSE(hostapp::WriteObj(dir.File("no-such-folder/x.obj"), fine, &error));
  EXPECT_NE(error.find("no-such-folder/x.obj"), std::string::npos) << error;
  EXPECT_FALSE(hostapp::WriteObj(dir.path(), fine, &error));  // a folder in the way

  EXPECT_EQ(dir.List(), std::vector<std::string>{"keep.obj"});
  Mesh kept;
  ASSERT_TRUE(hostapp::ReadObj(keep, &kept, &error));
  EXPECT_EQ(kept.points[0].z, 3.0);
}

TEST(ReadFloatList, ValuesCommentsAndLineNumberedFaults) {
  TempDir dir;
  std::vector<float> values;
  std::string error;
  ASSERT_TRUE(hostapp::ReadFloatList(dir.Write("w.txt", "# weights\n0\n\n 0.25 \r\n1e-3\n-1\n+2.5"), &values, &error))
      << error;
  EXPECT_EQ(values, (std::vector<float>{0.0f, 0.25f, 0.001f, -1.0f, 2.5f}));
  ASSERT_TRUE(hostapp::ReadFloatList(dir.Write("e.txt", ""), &values, &error));
  EXPECT_TRUE(values.empty());

  const std::pair<std::string, std::string> faults[] = {
      {"1\n2\nthree\n", ":3: 'three'"},
      {"1\n0.5 0.5\n", ":2: '0.5' is followed by more text"},
      {"inf\n", ":1: 'inf'"},
      {"1\n1e39\n", ":2: '1e39'"},
  };
  for (const auto& f : faults) {
    values = {9.0f};
    std::string path = dir.Write("bad.txt", f.first);
    EXPECT_FALSE(hostapp::ReadFloatList(path, &values, &error));
    EXPECT_NE(error.find(path + f.second), std::string::npos) << error;
    EXPECT_EQ(values, std::vector<float>{9.0f});
  }
  EXPECT_FALSE(hostapp::ReadFloatList(dir.File("none.txt"), &values, &error));
  EXPECT_NE(error.find("none.txt: no such file"), std::string::npos) << error;
}

}  // namespace

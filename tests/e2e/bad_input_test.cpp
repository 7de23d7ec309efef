// Bad input tried as a new user would: every failure is one line on standard error that
// names the problem and the file, a non-zero exit code, and no file written or left behind.
#include <filesystem>
#include <fstream>

#include "e2e_env.h"

namespace e2e {
namespace {

class BadInputTest : public CliTest {
 protected:
  void SetUp() override {
    CliTest::SetUp();
    rest_ = WavedGrid(6, 5);
    WriteMesh("rest.obj", rest_);
    WriteMesh("posed.obj", Bent(rest_, 0.1));
    std::filesystem::create_directory(Path("folder.obj"));
  }

  // Runs args and checks the failure: exit code, one line naming `names`, and the scratch
  // folder exactly as it was (no output, no temporary file).
  void ExpectFailure(const std::string& args, const std::string& names, const std::string& problem = "") {
    SCOPED_TRACE(args);
    const std::vector<std::string> before = Files();
    const RunResult r = Run(args);
    EXPECT_NE(r.code, 0);
    const std::vector<std::string> lines = r.ErrLines();
    ASSERT_EQ(lines.size(), 1u) << r.err;
    EXPECT_NE(lines[0].find(names), std::string::npos) << lines[0];
    if (!problem.empty()) {
      EXPECT_NE(lines[0].find(problem), std::string::npos) << lines[0];
    }
    EXPECT_EQ(Files(), before);
  }

  hostapp::Mesh rest_;
};

TEST_F(BadInputTest, BrokenMeshFiles) {
  WriteText("garbled.obj", "v 0 0 0\nv 1 0 0\nv 1 1 zero\nf 1 2 3\n");
  ExpectFailure("deform --rest garbled.obj --posed posed.obj --out out.obj", "garbled.obj:3");
  // Cut off in the middle of a line, as by a full disk or an interrupted copy.
  const std::string whole = ReadBytes(Path("posed.obj"));
  WriteText("truncated.obj", whole.substr(0, whole.size() / 2) + "\nf 1 2");
  ExpectFailure("deform --rest rest.obj --posed truncated.obj --out out.obj", "truncated.obj");
  WriteText("binary.obj", std::string("\x7f"
                                      "ELF\x02\x01\x01\0\0\0",
                                      10));
  ExpectFailure("bind --rest binary.obj --out b.tvs", "binary.obj");
  WriteText("past_end.obj", "v 0 0 0\nv 1 0 0\nv 1 1 0\nf 1 2 3\nf 1 3 4\n");
  ExpectFailure("deform --rest past_end.obj --posed posed.obj --out out.obj", "past_end.obj:5", "range");
}

TEST_F(BadInputTest, MeshesThatDoNotMatch) {
  hostapp::Mesh fewer = rest_;
  fewer.points.pop_back();
  const int32_t gone = static_cast<int32_t>(fewer.points.size());
  std::vector<C4D_CPolygon> kept;  // keep the file readable: drop the faces of the point removed
  for (const C4D_CPolygon& p : fewer.polygons)
    if (p.a != gone && p.b != gone && p.c != gone && p.d != gone) kept.push_back(p);
  fewer.polygons = kept;
  WriteMesh("fewer.obj", fewer);
  ExpectFailure("deform --rest rest.obj --posed fewer.obj --out out.obj", "fewer.obj", "points");
  ExpectFailure("deform --rest rest.obj --posed fewer.obj --out new_folder", "fewer.obj", "points");
  hostapp::Mesh rewired = rest_;
  std::swap(rewired.polygons[3].a, rewired.polygons[3].b);
  WriteMesh("rewired.obj", rewired);
  ExpectFailure("deform --rest rest.obj --posed rewired.obj --out out.obj", "rewired.obj", "face 4");
  // In a sequence the mismatch is found at its frame; the frames before it are complete and
  // stay, the message says so, and a run from the bad frame on finishes the sequence.
  WriteMesh("seq_1.obj", rest_);
  WriteMesh("seq_2.obj", rest_);
  WriteMesh("seq_3.obj", fewer);
  WriteMesh("seq_4.obj", rest_);
  RunResult r = Run("deform --rest rest.obj --posed seq_1.obj seq_2.obj seq_3.obj seq_4.obj --out seq");
  EXPECT_NE(r.code, 0);
  ASSERT_EQ(r.ErrLines().size(), 1u) << r.err;
  EXPECT_NE(r.err.find("seq_3.obj"), std::string::npos) << r.err;
  EXPECT_NE(r.err.find("(frame 3; the 2 frames written before it stay in seq)"), std::string::npos) << r.err;
  EXPECT_EQ(Files("seq"), (std::vector<std::string>{"deformed_0001.obj", "deformed_0002.obj"}));
  const std::string first = ReadBytes(Path("seq/deformed_0001.obj"));
  WriteMesh("seq_3.obj", rest_);
  r = Run("deform --rest rest.obj --posed seq_1.obj seq_2.obj seq_3.obj seq_4.obj --frames 3-4 --out seq");
  EXPECT_EQ(r.code, 0) << r.err;
  EXPECT_EQ(Files("seq"), (std::vector<std::string>{"deformed_0001.obj", "deformed_0002.obj", "deformed_0003.obj",
                                                    "deformed_0004.obj"}));
  EXPECT_EQ(ReadBytes(Path("seq/deformed_0003.obj")), first);  // the rest pose, as frame 1
  // A bad first frame leaves nothing, even when other jobs finished later frames meanwhile.
  r = Run("deform --rest rest.obj --posed fewer.obj seq_1.obj seq_2.obj seq_4.obj --jobs 2 --out seq_first");
  EXPECT_NE(r.code, 0);
  EXPECT_FALSE(std::filesystem::exists(Path("seq_first"))) << r.err;

  WriteText("short.txt", "0.5\n0.5\n");
  ExpectFailure("deform --rest rest.obj --posed posed.obj --out out.obj --weights short.txt", "short.txt", "2 weights");
  WriteText("words.txt", "0.5\nhalf\n");
  ExpectFailure("bind --rest rest.obj --out b.tvs --weights words.txt", "words.txt:2");
}

TEST_F(BadInputTest, MissingFilesAndFolders) {
  ExpectFailure("deform --rest missing.obj --posed posed.obj --out out.obj", "missing.obj", "no such file");
  ExpectFailure("deform --rest rest.obj --posed missing.obj --out out.obj", "missing.obj", "no such file");
  ExpectFailure("deform --rest folder.obj --posed posed.obj --out out.obj", "folder.obj", "directory");
  ExpectFailure("deform --rest rest.obj --posed folder.obj --out out.obj", "folder.obj", "directory");
  ExpectFailure("deform --binding missing.tvs --posed posed.obj --out out.obj", "missing.tvs");
  ExpectFailure("info missing.tvs", "missing.tvs");
  ExpectFailure("load folder.obj", "folder.obj");
  ExpectFailure("bind --rest rest.obj --out no/such/folder/b.tvs", "no/such/folder/b.tvs");
  ExpectFailure("deform --rest rest.obj --posed posed.obj --out no/such/folder/out.obj", "no/such/folder/out.obj");
  ExpectFailure("deform --rest rest.obj --posed posed_%04d.obj --out out", "posed_%04d.obj", "--frames");
  ExpectFailure("deform --rest rest.obj --posed posed.obj --frames 9-3 --out out", "--frames");
  ExpectFailure("deform --posed posed.obj --out out.obj", "--rest");
  ExpectFailure("deform --rest rest.obj --posed posed.obj rest.obj --out out.obj", "out.obj", "folder");
  ExpectFailure("deform --rest rest.obj --posed posed.obj --mode sideways", "sideways");
  ExpectFailure("--plugin rest.obj plugins", "rest.obj");
}

TEST_F(BadInputTest, DamagedSceneFiles) {
  ASSERT_EQ(Run("bind --rest rest.obj --out b.tvs").code, 0);
  const std::string whole = ReadBytes(Path("b.tvs"));
  WriteText("cut.tvs", whole.substr(0, whole.size() - 7));
  std::string flipped = whole;
  flipped[flipped.size() / 2] ^= 0x20;
  WriteText("flipped.tvs", flipped);
  WriteText("text.tvs", "this is not a scene\n");
  for (const char* name : {"cut.tvs", "flipped.tvs", "text.tvs"}) {
    ExpectFailure(std::string("info ") + name, name);
    ExpectFailure(std::string("load ") + name, name);
    ExpectFailure(std::string("deform --binding ") + name + " --posed posed.obj --out out.obj", name);
  }
  // A sound scene file without the set-up deform needs.
  ASSERT_EQ(Run("save --rest rest.obj --out live.tvs").code, 0);
  ASSERT_EQ(Run("load live.tvs").code, 0);
}

TEST_F(BadInputTest, NumbersBeyondTheLimitsAreRefusedWhereTheyEnter) {
  ExpectFailure("deform --rest rest.obj --posed posed.obj --out out.obj --iterations 2000000000", "--iterations",
                "at most 10000");
  ExpectFailure("save --rest rest.obj --out s.tvs --iterations 10001", "--iterations", "at most 10000");
  ExpectFailure("bind --rest rest.obj --out b.tvs --iterations 99999999999999999999", "--iterations",
                "at most 10000");
  ExpectFailure("deform --rest rest.obj --posed posed.obj --out out.obj --iterations -1", "--iterations", "0 or more");
  // One parser for --frames: each refusal names the rule the range breaks.
  ExpectFailure("deform --rest rest.obj --posed posed_%04d.obj --frames 0-100000000 --out out",
                "--frames 0-100000000", "100000001 frames, but one run evaluates at most 100000");
  ExpectFailure("deform --rest rest.obj --posed posed_%04d.obj --frames 0-99999999999 --out out", "--frames",
                "frame numbers go up to 2147483647");
  ExpectFailure("deform --rest rest.obj --posed posed_%04d.obj --frames 1-x --out out", "--frames 1-x",
                "expected FIRST-LAST");
  // A scene file whose tag holds iterations no tag could: refused by every command that
  // reads it, at once, instead of smoothing for days.
  ASSERT_EQ(Run("bind --rest rest.obj --out b.tvs --iterations 3").code, 0);
  std::string bytes = ReadBytes(Path("b.tvs"));
  // The entry: id 1004 and kind 0 as marked Int32s, then the value 3 as one.
  const std::string entry("\x02\xec\x03\0\0\x02\0\0\0\0\x02\x03\0\0\0", 15);
  const size_t at = bytes.find(entry);
  ASSERT_NE(at, std::string::npos);
  bytes.replace(at + 11, 4, std::string("\xff\xff\xff\x7f", 4));
  uint64_t sum = 0xcbf29ce484222325ull;  // the payload's checksum, mended as an editor would
  for (size_t i = 32; i < bytes.size(); ++i) sum = (sum ^ static_cast<uint8_t>(bytes[i])) * 0x100000001b3ull;
  for (int i = 0; i < 8; ++i) bytes[24 + i] = static_cast<char>(sum >> (8 * i));
  WriteText("forever.tvs", bytes);
  for (const std::string args : {"info forever.tvs", "load forever.tvs",
                                 "deform --binding forever.tvs --posed posed.obj --out out.obj"}) {
    ExpectFailure(args, "forever.tvs", "Iterations (1004) holds 2147483647, above its maximum 10000");
  }
}

TEST_F(BadInputTest, MeshFilesReadAsWritten) {
  // The most negative face index: refused at its line, and save writes nothing.
  WriteText("min.obj", "v 0 0 0\nv 1 0 0\nv 0 1 0\nf 1 2 -9223372036854775808\n");
  ExpectFailure("save --rest min.obj --out s.tvs", "min.obj:4", "before the first vertex");
  ExpectFailure("bind --rest min.obj --out s.tvs", "min.obj:4", "before the first vertex");
  // Old Mac line ends: the whole mesh, not one point.
  std::string cr = ReadBytes(Path("rest.obj"));
  for (char& c : cr)
    if (c == '\n') c = '\r';
  WriteText("cr.obj", cr);
  const RunResult r = Run("deform --rest cr.obj --posed cr.obj --out cr_out.obj");
  ASSERT_EQ(r.code, 0) << r.err;
  EXPECT_NE(r.out.find("(" + std::to_string(rest_.points.size()) + " points)"), std::string::npos) << r.out;
  WriteText("junk.obj", "v 0 0 0\nv 1 0 0 zero\nv 0 1 0\nf 1 2 3\n");
  ExpectFailure("deform --rest junk.obj --posed posed.obj --out out.obj", "junk.obj:2", "'zero' after");
  // A file name with a line break or an escape code in it stays on one line, escaped.
  ExpectFailure("deform --rest \"$(printf 'bad\\nname.obj')\" --posed posed.obj --out out.obj", "bad\\nname.obj",
                "no such file");
  ExpectFailure("deform --rest \"$(printf 'e\\033[2Jx.obj')\" --posed posed.obj --out out.obj", "e\\x1b[2Jx.obj");
}

}  // namespace
}  // namespace e2e

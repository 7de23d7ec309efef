// The typed scene-file stream: values come back as written, a read of the wrong type or
// past the end fails without consuming anything, and blocks fence a reader in.
#include <cstring>
#include <limits>
#include <vector>

#include "hostapp/scene/hyperfile.h"
#include "hostapp/scene/tables.h"
#include "gtest/gtest.h"

using namespace hostapp;

TEST(HyperFileStream, ValuesComeBackBitForBit) {
  std::vector<uint8_t> buf;
  HyperFile w(&buf);
  const C4D_FileTable* f = FileTable();
  const double nan = std::numeric_limits<double>::quiet_NaN();
  C4D_Vector v{-0.0, 1e-310, nan};
  ASSERT_TRUE(f->write_bool(&w, true));
  ASSERT_TRUE(f->write_int32(&w, INT32_MIN));
  ASSERT_TRUE(f->write_float(&w, 0.1));
  ASSERT_TRUE(f->write_vector(&w, &v));
  ASSERT_TRUE(w.WriteString("r\xC3\xA9sum\xC3\xA9"));
  ASSERT_TRUE(w.WriteFloat32(0.3f));
  ASSERT_TRUE(w.WriteInt64(-5));
  EXPECT_EQ(buf.size(), size_t(2 + 5 + 9 + 25 + 5 + 8 + 5 + 9));
  EXPECT_EQ(buf[1], 0x01);  // little-endian payloads after the one-byte tag
  EXPECT_EQ(buf[2], HyperFile::kTagInt32);
  EXPECT_EQ(buf[6], 0x80);
  bool b = false;
  EXPECT_FALSE(f->read_bool(&w, &b));  // a writer does not read

  HyperFile r(buf.data(), buf.size());
  int32_t i = 0;
  double d = 0;
  C4D_Vector u{};
  std::string s;
  float x = 0;
  int64_t l = 0;
  ASSERT_TRUE(f->read_bool(&r, &b));
  ASSERT_TRUE(f->read_int32(&r, &i));
  ASSERT_TRUE(f->read_float(&r, &d));
  ASSERT_TRUE(f->read_vector(&r, &u));
  ASSERT_TRUE(r.ReadString(&s));
  ASSERT_TRUE(r.ReadFloat32(&x));
  ASSERT_TRUE(r.ReadInt64(&l));
  EXPECT_TRUE(b);
  EXPECT_EQ(i, INT32_MIN);
  EXPECT_EQ(d, 0.1);
  EXPECT_EQ(std::memcmp(&u, &v, sizeof u), 0);
  EXPECT_EQ(s, "r\xC3\xA9sum\xC3\xA9");
  EXPECT_EQ(x, 0.3f);
  EXPECT_EQ(l, -5);
  EXPECT_EQ(f->remaining(&r), 0);
  EXPECT_FALSE(f->write_int32(&r, 1));  // a reader does not write
}

TEST(HyperFileStream, MismatchAndEndOfDataFailWithoutConsuming) {
  std::vector<uint8_t> buf;
  HyperFile w(&buf);
  w.WriteInt32(7);
  w.WriteBool(false);
  HyperFile r(buf.data(), buf.size());
  bool b = true;
  double d = 0;
  C4D_Vector v{};
  EXPECT_FALSE(r.ReadBool(&b));
  EXPECT_FALSE(r.ReadFloat(&d));
  EXPECT_FALSE(r.ReadVector(&v));
  EXPECT_TRUE(b);
  EXPECT_EQ(r.Remaining(), 7);
  int32_t i = 0;
  ASSERT_TRUE(r.ReadInt32(&i));
  EXPECT_EQ(i, 7);
  ASSERT_TRUE(r.ReadBool(&b));
  EXPECT_FALSE(b);
  EXPECT_FALSE(r.ReadBool(&b));
  EXPECT_FALSE(r.ReadInt32(&i));

  // Every cut through a value fails the read.
  for (size_t cut = 0; cut < 5; ++cut) {
    HyperFile t(buf.data(), cut);
    EXPECT_FALSE(t.ReadInt32(&i)) << cut;
  }
  // A bool byte other than 0 or 1 is damage, not a value.
  std::vector<uint8_t> bad = {HyperFile::kTagBool, 2};
  HyperFile t(bad.data(), bad.size());
  EXPECT_FALSE(t.ReadBool(&b));
  // A string longer than the data is refused.
  std::vector<uint8_t> str = {HyperFile::kTagString, 10, 0, 0, 0, 'a'};
  HyperFile ts(str.data(), str.size());
  std::string s;
  EXPECT_FALSE(ts.ReadString(&s));
  EXPECT_EQ(ts.Remaining(), 6);
}

TEST(HyperFileStream, BlocksFenceTheReaderAndSkipWhatIsLeft) {
  std::vector<uint8_t> buf;
  HyperFile w(&buf);
  size_t mark = w.BeginBlock();
  w.WriteInt32(1);
  w.WriteInt32(2);
  ASSERT_TRUE(w.EndBlock(mark));
  w.WriteInt32(3);

  HyperFile r(buf.data(), buf.size());
  ASSERT_TRUE(r.EnterBlock());
  EXPECT_EQ(r.Remaining(), 10);
  int32_t i = 0;
  ASSERT_TRUE(r.ReadInt32(&i));
  EXPECT_EQ(i, 1);
  ASSERT_TRUE(r.LeaveBlock());  // skips the unread 2
  ASSERT_TRUE(r.ReadInt32(&i));
  EXPECT_EQ(i, 3);
  EXPECT_FALSE(r.LeaveBlock());

  HyperFile fenced(buf.data(), buf.size());
  ASSERT_TRUE(fenced.EnterBlock());
  fenced.ReadInt32(&i);
  fenced.ReadInt32(&i);
  EXPECT_FALSE(fenced.ReadInt32(&i));  // the 3 lies beyond the block

  // A block claiming more than the data holds is refused.
  std::vector<uint8_t> cut(buf.begin(), buf.begin() + 12);
  HyperFile short_read(cut.data(), cut.size());
  EXPECT_FALSE(short_read.EnterBlock());
  EXPECT_EQ(short_read.Remaining(), 12);
}

// Host strings: editing through the table and the byte-count text.
#include "hostapp/services/strings.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "hostapp/services/memory.h"

namespace hostapp {
namespace {

const C4D_StringTable* S() { return stringTable(); }

std::string Get(const C4D_String* s) {
  int64_t len = -1;
  const char* text = S()->string_get(s, &len);
  return std::string(text, static_cast<size_t>(len));
}

TEST(Strings, SetGetInsert) {
  C4D_String* s = S()->string_alloc();
  C4D_String* o = S()->string_alloc();
  ASSERT_TRUE(s && o);
  EXPECT_EQ(Get(s), "");
  ASSERT_TRUE(S()->string_set(s, "r\xC3\xA9sum\xC3\xA9 and more", 8));  // bytes, not characters
  EXPECT_EQ(Get(s), "r\xC3\xA9sum\xC3\xA9");
  EXPECT_EQ(std::string(S()->string_get(s, nullptr)), "r\xC3\xA9sum\xC3\xA9") << "NUL-terminated";

  ASSERT_TRUE(S()->string_set(o, "<>", 2));
  EXPECT_TRUE(S()->string_insert(s, 0, o));
  EXPECT_TRUE(S()->string_insert(s, 1000, o));  // clamped to the end
  EXPECT_TRUE(S()->string_insert(s, -4, o));    // clamped to the start
  EXPECT_EQ(Get(s), "<><>r\xC3\xA9sum\xC3\xA9<>");
  ASSERT_TRUE(S()->string_set(o, "ab", 2));
  EXPECT_TRUE(S()->string_insert(o, 1, o));  // into itself
  EXPECT_EQ(Get(o), "aabb");

  EXPECT_FALSE(S()->string_set(s, nullptr, 3));
  EXPECT_FALSE(S()->string_set(s, "x", -1));
  EXPECT_EQ(Get(s), "<><>r\xC3\xA9sum\xC3\xA9<>") << "a refused set leaves the text";
  EXPECT_TRUE(S()->string_set(s, nullptr, 0));
  EXPECT_EQ(Get(s), "");
  EXPECT_EQ(Get(nullptr), "");
  EXPECT_FALSE(S()->string_insert(nullptr, 0, o));

  S()->string_free(s);
  S()->string_free(o);
  S()->string_free(nullptr);
  FailAllocationAfter(1);
  EXPECT_EQ(S()->string_alloc(), nullptr);
}

TEST(Strings, MemorySizeText) {
  const std::pair<int64_t, const char*> cases[] = {
      {0, "0 B"},
      {1023, "1023 B"},
      {1024, "1.00 KB"},
      {24000, "23.44 KB"},
      {1572864, "1.50 MB"},
      {1048575, "1.00 MB"},  // 1023.999 KB rounds up into the next unit
      {int64_t{5} << 30, "5.00 GB"},
      {-2048, "-2.00 KB"},
      {INT64_MAX, "8.00 EB"},
      {INT64_MIN, "-8.00 EB"},
  };
  C4D_String* s = S()->string_alloc();
  for (const auto& [bytes, text] : cases) {
    EXPECT_EQ(MemorySizeText(bytes), text) << bytes;
    ASSERT_TRUE(S()->string_memory_size(s, bytes));
    EXPECT_EQ(Get(s), text);
  }
  S()->string_free(s);
}

}  // namespace
}  // namespace hostapp

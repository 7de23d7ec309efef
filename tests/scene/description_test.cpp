// Description resources: the parser's checks (each error names file and line), the plug-in's
// real files, loading with a plug-in's resource, description_load by type, and the walk over
// a node's description through its hooks.
#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "hostapp/scene/console.h"
#include "hostapp/scene/description.h"
#include "hostapp/scene/description_parse.h"
#include "hostapp/scene/resource.h"
#include "hostapp/scene/tables.h"
#include "res/description/otavrendeformer.h"
#include "res/description/ttavrenres.h"
#include "scene/scene_fixture.h"
#include "scene/temp_dir.h"

using namespace hostapp;

namespace {

const char* kHeader =
    "#ifndef X_H__\n"             // 1
    "enum {\n"                    // 2
    "  X_A = 1000,\n"             // 3
    "  X_B,\n"                    // 4
    "  X_C_ONE = 0, X_C_TWO,\n"   // 5
    "  X_L = 1010,\n"             // 6
    "};\n"                        // 7
    "#endif\n";

const char* kStrings =
    "STRINGTABLE Xres\n"          // 1
    "{\n"                         // 2
    "  Xres \"X\";\n"             // 3
    "  X_A \"A\";\n"              // 4
    "  X_B \"B\";\n"              // 5
    "  X_C_ONE \"one\"; X_C_TWO \"two\";\n"  // 6
    "}\n";

// A .res whose lines 4 and 5 are given: line 1 CONTAINER, 2 '{', 3 NAME, 6 '}'.
std::string Res(const std::string& line4, const std::string& line5) {
  return "CONTAINER Xres\n{\n  NAME Xres;\n" + line4 + "\n" + line5 + "\n}\n";
}
const char* kLine4 = "  LONG X_A { MIN 0; DEFAULT 2; }";
const char* kLine5 = "  LONG X_B { CYCLE { X_C_ONE; X_C_TWO; } DEFAULT X_C_TWO; }";

bool Parse(const std::string& res, const std::string& header, const std::string& strings, Description* out,
           std::string* error) {
  return ParseDescription({res, "x.res"}, {header, "x.h"}, {strings, "x.str"}, out, error);
}

std::vector<int32_t> Ids(const Description& d, bool with_groups = false) {
  std::vector<int32_t> ids;
  for (const DescParameter& p : d.params)
    if (with_groups || p.type != DescType::kGroup) ids.push_back(p.id);
  return ids;
}

}  // namespace

TEST(DescriptionParse, AMinimalResourceReadsWithLabelsChoicesAndDefaults) {
  Description d;
  std::string error;
  ASSERT_TRUE(Parse(Res(kLine4, kLine5), kHeader, kStrings, &d, &error)) << error;
  EXPECT_EQ(d.name, "Xres");
  EXPECT_EQ(d.title, "X");
  ASSERT_EQ(Ids(d), (std::vector<int32_t>{1000, 1001}));
  const DescParameter& b = d.params[1];
  EXPECT_EQ(b.label, "B");
  EXPECT_EQ(b.line, 5);
  ASSERT_EQ(b.cycle.size(), 2u);
  EXPECT_EQ(b.cycle[1].value, 1);
  EXPECT_EQ(b.cycle[1].label, "two");
  EXPECT_EQ(b.default_kind, DescDefault::kValue);
  EXPECT_TRUE(SameValue(*b.initial, Value(int32_t(1))));
  EXPECT_EQ(*d.params[0].min, 0.0);
}

TEST(DescriptionParse, MalformedFilesNameFileAndLine) {
  struct Case {
    std::string res, header, strings;
    const char* where;  // "file:line: "
    const char* what;
  } cases[] = {
      // names the parser cannot resolve
      {Res("  LONG X_NOPE { DEFAULT 1; }", kLine5), kHeader, kStrings, "x.res:4: ", "unknown id name 'X_NOPE'"},
      {Res("  LONG 1000 { DEFAULT 1; }", kLine5), kHeader, kStrings, "x.res:4: ", "not numbers"},
      {"CONTAINER Xres\n{\n  NAME Xres;\n  INCLUDE Onowhere;\n}\n", kHeader, kStrings, "x.res:4: ",
       "unknown base description"},
      {Res("  LINK X_A { ACCEPT { Tnothing; } DEFAULT UNSET; }", kLine5), kHeader, kStrings, "x.res:4: ",
       "unknown node type"},
      // types and values
      {Res("  LONGG X_A { DEFAULT 1; }", kLine5), kHeader, kStrings, "x.res:4: ", "unknown entry type 'LONGG'"},
      {Res("  LONG X_A { DEFAULT 1.5; }", kLine5), kHeader, kStrings, "x.res:4: ", "must be a whole number"},
      {Res("  BOOL X_A { DEFAULT 2; }", kLine5), kHeader, kStrings, "x.res:4: ", "must be 0 or 1"},
      {Res("  LINK X_A { DEFAULT 3; }", kLine5), kHeader, kStrings, "x.res:4: ", "must be UNSET"},
      {Res("  STATICTEXT X_A { DEFAULT 3; }", kLine5), kHeader, kStrings, "x.res:4: ", "must be a quoted text"},
      {Res("  BUTTON X_A { DEFAULT 1; }", kLine5), kHeader, kStrings, "x.res:4: ", "takes no DEFAULT"},
      {Res("  REAL X_A { CYCLE { X_C_ONE; } DEFAULT 1; }", kLine5), kHeader, kStrings, "x.res:4: ",
       "only a LONG takes a CYCLE"},
      {Res("  LONG X_A { MIN 0; }", kLine5), kHeader, kStrings, "x.res:4: ", "needs a DEFAULT"},
      {Res("  LONG X_A { MIN 3; DEFAULT 2; }", kLine5), kHeader, kStrings, "x.res:4: ", "outside its MIN and MAX"},
      {Res(kLine4, "  LONG X_B { CYCLE { X_C_ONE; X_C_TWO; } DEFAULT 5; }"), kHeader, kStrings, "x.res:5: ",
       "none of its CYCLE's choices"},
      {Res(kLine4, "  LONG X_A { DEFAULT 1; }"), kHeader, kStrings, "x.res:5: ", "already declared on line 4"},
      {Res("  LONG X_A { DEFAULT 1; DEFAULT 2; }", kLine5), kHeader, kStrings, "x.res:4: ", "DEFAULT given twice"},
      // braces
      {"CONTAINER Xres\n{\n  NAME Xres;\n" + std::string(kLine4) + "\n" + kLine5 + "\n", kHeader, kStrings,
       "x.res:2: ", "'{' is never closed"},
      {Res(kLine4, "  LONG X_B { CYCLE { X_C_ONE;"), kHeader, kStrings, "x.res:5: ", "'{' is never closed"},
      // numbers
      {Res("  LONG X_A { MIN 0x; DEFAULT 2; }", kLine5), kHeader, kStrings, "x.res:4: ", "bad number '0x'"},
      {Res("  REAL X_A { DEFAULT 1.2.3; }", kLine5), kHeader, kStrings, "x.res:4: ", "bad number '1.2.3'"},
      {Res("  LONG X_A { DEFAULT 4294967296; }", kLine5), kHeader, kStrings, "x.res:4: ", "out of range"},
      {Res("  LONG X_A { DEFAULT 99999999999999999999; }", kLine5), kHeader, kStrings, "x.res:4: ",
       "number out of range"},
      // the header and the labels
      {Res(kLine4, kLine5), "enum {\n  X_A = 1000,\n  X_B = Y,\n};\n", kStrings, "x.h:3: ",
       "expected a whole number or an earlier symbol"},
      {Res(kLine4, kLine5), "enum {\n  X_A = 1000,\n  X_A = 1001,\n};\n", kStrings, "x.h:3: ", "defined twice"},
      {Res(kLine4, kLine5), "enum {\n  X_A = 1000,\n", kStrings, "x.h:1: ", "'{' is never closed"},
      {Res(kLine4, kLine5), kHeader, "STRINGTABLE Xres\n{\n  Xres \"X\";\n  X_A \"A\";\n}\n", "x.res:5: ",
       "no label for 'X_B'"},
      {Res(kLine4, kLine5), kHeader, std::string(kStrings).insert(std::string(kStrings).size() - 2, "  X_Z \"z\";\n"),
       "x.str:7: ", "label for 'X_Z', which x.res does not use"},
      {Res(kLine4, kLine5), kHeader, "STRINGTABLE Xres\n{\n  X_A A;\n}\n", "x.str:3: ", "expected the quoted label"},
      {Res(kLine4, kLine5), kHeader, "STRINGTABLE Yres\n{\n}\n", "x.str:1: ", "does not match the CONTAINER"},
      {Res(kLine4, kLine5), kHeader, "STRINGTABLE Xres\n{\n  X_A \"A;\n}\n", "x.str:3: ", "text not closed"},
  };
  for (const Case& c : cases) {
    Description d;
    d.name = "untouched";
    std::string error;
    EXPECT_FALSE(Parse(c.res, c.header, c.strings, &d, &error)) << c.res;
    EXPECT_EQ(error.rfind(c.where, 0), 0u) << error;
    EXPECT_NE(error.find(c.what), std::string::npos) << error;
    EXPECT_EQ(d.name, "untouched");
  }
}

// The files the plug-in ships, checked against the ids of the headers it compiles against.
class RealDescriptions : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string error;
    ASSERT_TRUE(LoadDescriptionResources(TAVREN_SOURCE_DIR, &loaded_, &error)) << error;
    for (const auto& d : loaded_) (d->name == "TTavrenres" ? tag_ : d->name == "Otavrendeformer" ? deformer_ : other_) = d;
    ASSERT_TRUE(tag_ && deformer_);
  }
  void TearDown() override { Registry::Global().Reset(); }

  std::vector<std::shared_ptr<const Description>> loaded_;
  std::shared_ptr<const Description> tag_, deformer_, other_;
};

struct Expected {
  int32_t id;
  DescType type;
  DescDefault kind;
  Value initial;  // for kValue (and a Bool left unset: what it reads as)
};

void ExpectDeclares(const Description& d, const std::vector<Expected>& expected) {
  std::vector<int32_t> want;
  for (const Expected& e : expected) want.push_back(e.id);
  std::vector<int32_t> got = Ids(d);
  std::sort(want.begin(), want.end());
  std::sort(got.begin(), got.end());
  EXPECT_EQ(got, want) << d.name;
  for (const Expected& e : expected) {
    const DescParameter* p = d.Find(e.id);
    ASSERT_NE(p, nullptr) << e.id;
    EXPECT_EQ(p->type, e.type) << e.id;
    EXPECT_EQ(p->default_kind, e.kind) << e.id;
    if (e.kind == DescDefault::kValue) {
      ASSERT_TRUE(p->initial) << e.id;
      EXPECT_TRUE(SameValue(*p->initial, e.initial)) << e.id;
    }
    EXPECT_FALSE(p->label.empty()) << e.id;
  }
}

TEST_F(RealDescriptions, TheTagDeclaresItsTenParameters) {
  EXPECT_EQ(other_, nullptr);
  EXPECT_EQ(tag_->includes, std::vector<std::string>{"Texpression"});
  EXPECT_FALSE(tag_->title.empty());
  using K = DescDefault;
  ExpectDeclares(*tag_, {
      {TTAVREN_BIND, DescType::kButton, K::kNone, Value()},
      {TTAVREN_UNBIND, DescType::kButton, K::kNone, Value()},
      {TTAVREN_STATUS, DescType::kStaticText, K::kByPlugin, Value()},
      {TTAVREN_SMOOTHTYPE, DescType::kLong, K::kValue, Value(int32_t(1))},
      {TTAVREN_ITERATIONS, DescType::kLong, K::kValue, Value(int32_t(2))},
      {TTAVREN_PINBORDER, DescType::kBool, K::kValue, Value(int32_t(0))},
      {TTAVREN_SMOOTHONLY, DescType::kBool, K::kUnset, Value()},
      {TTAVREN_VERTEXMAP, DescType::kLink, K::kUnset, Value()},
      {TTAVREN_STEP, DescType::kReal, K::kValue, Value(1.0)},
      {TTAVREN_USEVERTEXMAP, DescType::kBool, K::kValue, Value(int32_t(1))},
  });
  const DescParameter* mode = tag_->Find(TTAVREN_SMOOTHTYPE);
  ASSERT_EQ(mode->cycle.size(), 2u);
  EXPECT_EQ(mode->cycle[0].value, TTAVREN_SMOOTHTYPE_UNIFORM);
  EXPECT_EQ(mode->cycle[1].value, TTAVREN_SMOOTHTYPE_DISTANCE);
  EXPECT_NE(mode->cycle[0].label, mode->cycle[1].label);
  EXPECT_EQ(tag_->Find(TTAVREN_VERTEXMAP)->accept, std::vector<int32_t>{5682});
  EXPECT_EQ(*tag_->Find(TTAVREN_ITERATIONS)->min, 0.0);
  // A Bool left unset reads as off.
  EXPECT_TRUE(SameValue(*tag_->Find(TTAVREN_SMOOTHONLY)->initial, Value(int32_t(0))));
  // Every entry sits in a declared group or at the top.
  for (const DescParameter& p : tag_->params) {
    if (p.group != 0) {
      EXPECT_NE(tag_->Find(p.group), nullptr) << p.name;
    }
  }
}

TEST_F(RealDescriptions, TheDeformerDeclaresItsListAndMode) {
  EXPECT_EQ(deformer_->includes, std::vector<std::string>{"Obase"});
  ExpectDeclares(*deformer_, {
      {OTAVREN_LISTMODE, DescType::kLong, DescDefault::kValue, Value(int32_t(OTAVREN_LISTMODE_EXCLUDE))},
      {OTAVREN_LIST, DescType::kInExclude, DescDefault::kUnset, Value()},
  });
  std::vector<int32_t> choices;
  for (const DescChoice& c : deformer_->Find(OTAVREN_LISTMODE)->cycle) choices.push_back(c.value);
  EXPECT_EQ(choices, (std::vector<int32_t>{OTAVREN_LISTMODE_EXCLUDE, OTAVREN_LISTMODE_INCLUDE}));
  EXPECT_EQ(deformer_->Find(OTAVREN_LIST)->accept, std::vector<int32_t>{1035496});
}

// ---------------------------------------------------------------- with the plug-in's resource

class DescriptionLoading : public SceneTest {
 protected:
  static const C4D_RegistryTable* R() { return RegistryTable(); }
  // A plug-in folder with a string table and the description Xres.
  void WriteFolder(const TempDir& dir, const std::string& res) {
    dir.Write("res/strings_us/c4d_strings.str", "1000 \"x\"\n");
    dir.Write("res/description/xres.res", res);
    dir.Write("res/description/xres.h", kHeader);
    dir.Write("res/strings_us/description/xres.str", kStrings);
  }
};

TEST_F(DescriptionLoading, TheResourceLoadsDescriptionsAndDescriptionLoadFillsByType) {
  TempDir dir;
  WriteFolder(dir, Res(kLine4, kLine5));
  C4D_Resource* res = R()->resource_load(dir.Path().c_str());
  ASSERT_NE(res, nullptr) << (ConsoleLines().empty() ? "" : ConsoleLines().back());
  ASSERT_EQ(static_cast<Resource*>(res)->Descriptions().size(), 1u);
  R()->resource_free(res);  // the host keeps what it read

  Description d;
  EXPECT_FALSE(R()->description_load(&d, fake::kTagId, C4D_DESCFLAGS_DESC_LOADED));  // nothing registered
  ASSERT_TRUE(R()->register_description(fake::kTagId, "Xres", nullptr));
  ASSERT_TRUE(R()->description_load(&d, fake::kTagId, C4D_DESCFLAGS_DESC_LOADED));
  EXPECT_EQ(d.title, "X");
  EXPECT_EQ(Ids(d), (std::vector<int32_t>{1000, 1001}));
  // Loading again replaces what the description held.
  d.Add(DescParameter{});
  ASSERT_TRUE(R()->description_load(&d, fake::kTagId, C4D_DESCFLAGS_DESC_LOADED));
  EXPECT_EQ(Ids(d), (std::vector<int32_t>{1000, 1001}));

  // A registered name that no resource declared loads nothing.
  ASSERT_TRUE(R()->register_description(fake::kObjectId, "Nowhere", nullptr));
  EXPECT_FALSE(R()->description_load(&d, fake::kObjectId, C4D_DESCFLAGS_DESC_LOADED));
  EXPECT_EQ(Ids(d), (std::vector<int32_t>{1000, 1001}));
}

TEST_F(DescriptionLoading, AMalformedOrIncompleteDescriptionFailsTheResourceLoad) {
  TempDir dir;
  WriteFolder(dir, Res("  LONGG X_A { DEFAULT 1; }", kLine5));
  EXPECT_EQ(R()->resource_load(dir.Path().c_str()), nullptr);
  ASSERT_EQ(ConsoleLines().size(), 1u);
  EXPECT_EQ(ConsoleLines()[0].rfind(dir.File("res/description/xres.res") + ":4: unknown entry type", 0), 0u)
      << ConsoleLines()[0];

  ConsoleClear();
  WriteFolder(dir, Res(kLine4, kLine5));
  std::filesystem::remove(dir.File("res/strings_us/description/xres.str"));
  EXPECT_EQ(R()->resource_load(dir.Path().c_str()), nullptr);
  ASSERT_EQ(ConsoleLines().size(), 1u);
  EXPECT_EQ(ConsoleLines()[0].rfind(dir.File("res/strings_us/description/xres.str") + ": cannot open", 0), 0u)
      << ConsoleLines()[0];

  ConsoleClear();
  dir.Write("res/strings_us/description/xres.str", kStrings);
  dir.Write("res/description/yres.res", Res(kLine4, kLine5));  // a second CONTAINER Xres
  dir.Write("res/description/yres.h", kHeader);
  dir.Write("res/strings_us/description/yres.str", kStrings);
  EXPECT_EQ(R()->resource_load(dir.Path().c_str()), nullptr);
  ASSERT_EQ(ConsoleLines().size(), 1u);
  EXPECT_NE(ConsoleLines()[0].find("also declared in"), std::string::npos) << ConsoleLines()[0];
}

// ---------------------------------------------------------------- a node's description

namespace {

// Hooks of a tag whose description adds one entry to the registered one and disables X_B.
struct DescribingTag {
  static inline bool set_loaded_flag = true;
  static inline bool fail = false;
  static bool GetDDescription(void*, C4D_Node*, C4D_Description* desc, int32_t* flags) {
    if (fail) return false;
    if (!RegistryTable()->description_load(desc, kId, C4D_DESCFLAGS_DESC_LOADED)) return false;
    DescParameter extra;
    extra.id = 4000;
    extra.type = DescType::kReal;
    FromC(desc)->Add(extra);
    if (set_loaded_flag) *flags |= C4D_DESCFLAGS_DESC_LOADED;
    return true;
  }
  static bool GetDEnabling(void*, C4D_Node*, int32_t id) { return id != 1001; }
  static constexpr int32_t kId = 1999600;
};

}  // namespace

TEST_F(DescriptionLoading, DescribeNodeAsksThePluginAndTheEnablingOfEachEntry) {
  TempDir dir;
  WriteFolder(dir, Res(kLine4, kLine5));
  C4D_Resource* res = R()->resource_load(dir.Path().c_str());
  ASSERT_NE(res, nullptr);
  R()->resource_free(res);
  C4D_TagHooks hooks = fake::TagHooks();
  hooks.node.get_ddescription = DescribingTag::GetDDescription;
  hooks.node.get_denabling = DescribingTag::GetDEnabling;
  ASSERT_TRUE(R()->register_description(DescribingTag::kId, "Xres", nullptr));
  ASSERT_TRUE(Registry::Global().RegisterTag(DescribingTag::kId, "Describing", C4D_TAG_VISIBLE, &hooks, "Xres",
                                             nullptr, 0));
  std::unique_ptr<Tag> tag = NewTag(DescribingTag::kId);
  ASSERT_TRUE(tag);

  Description d;
  ASSERT_TRUE(DescribeNode(*tag, &d));
  EXPECT_EQ(Ids(d), (std::vector<int32_t>{1000, 1001, 4000}));
  EXPECT_TRUE(d.Find(1000)->enabled);
  EXPECT_FALSE(d.Find(1001)->enabled);

  // A hook that does not report the description loaded leaves it to the host.
  DescribingTag::set_loaded_flag = false;
  ASSERT_TRUE(DescribeNode(*tag, &d));
  EXPECT_EQ(Ids(d), (std::vector<int32_t>{1000, 1001}));
  DescribingTag::set_loaded_flag = true;

  DescribingTag::fail = true;
  EXPECT_FALSE(DescribeNode(*tag, &d));
  DescribingTag::fail = false;

  // A node without the hook gets the description registered for its type, or none.
  std::unique_ptr<Tag> plain = NewTag(fake::kTagId);
  EXPECT_FALSE(DescribeNode(*plain, &d));
  ASSERT_TRUE(R()->register_description(fake::kTagId, "Xres", nullptr));
  ASSERT_TRUE(DescribeNode(*plain, &d));
  EXPECT_EQ(Ids(d), (std::vector<int32_t>{1000, 1001}));
  tag.reset();
  plain.reset();
}

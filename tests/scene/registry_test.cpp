// Registration, resources and icons as a plug-in's start-up uses them.
#include <cstdio>
#include <string>

#include "hostapp/scene/bitmap.h"
#include "hostapp/scene/resource.h"
#include "hostapp/scene/tables.h"
#include "scene/scene_fixture.h"
#include "scene/temp_dir.h"

using namespace hostapp;

namespace {

const C4D_RegistryTable* R() { return RegistryTable(); }

int command_frees = 0;
void FreeCommand(void* inst) {
  ++command_frees;
  delete static_cast<int*>(inst);
}
bool ExecuteCommand(void*, C4D_Document*) { return true; }

// A minimal TIFF header: one directory with width (SHORT) and height (LONG).
std::string Tiff(bool little, uint32_t w, uint32_t h) {
  std::string b;
  auto put = [&](uint32_t v, int n) {
    for (int i = 0; i < n; ++i) b += static_cast<char>(little ? v >> (8 * i) : v >> (8 * (n - 1 - i)));
  };
  b += little ? "II" : "MM";
  put(42, 2);
  put(8, 4);
  put(2, 2);
  put(256, 2), put(3, 2), put(1, 4), put(w, 2), put(0, 2);
  put(257, 2), put(4, 2), put(1, 4), put(h, 4);
  put(0, 4);
  return b;
}

}  // namespace

class Registration : public SceneTest {};

TEST_F(Registration, DuplicateIdsAndMissingHooksAreRefusedAndRecorded) {
  C4D_TagHooks th = fake::TagHooks();
  EXPECT_FALSE(R()->register_tag(fake::kTagId, "again", 0, &th, "", nullptr, 0));
  EXPECT_FALSE(R()->register_tag(fake::kObjectId, "again", 0, &th, "", nullptr, 0));
  EXPECT_FALSE(R()->register_tag(1999100, "no hooks", 0, nullptr, "", nullptr, 0));
  th.node.alloc = nullptr;
  EXPECT_FALSE(R()->register_tag(1999101, "no factory", 0, &th, "", nullptr, 0));
  EXPECT_EQ(Registry::Global().Find(1999101), nullptr);
  const auto& attempts = Registry::Global().Attempts();
  ASSERT_EQ(attempts.size(), 6u);
  EXPECT_TRUE(attempts[0]->registered);
  EXPECT_FALSE(attempts[2]->registered);
  EXPECT_EQ(attempts[2]->name, "again");
  EXPECT_EQ(Registry::Global().Find(fake::kTagId)->name, "Fake Tag");
}

TEST_F(Registration, TheFailureSwitchRefusesTheNextRegistrationOfOneId) {
  C4D_ObjectHooks oh = fake::ObjectHooks();
  Registry::Global().FailNextRegistration(1999200);
  EXPECT_FALSE(R()->register_object(1999200, "deformer", 32769, &oh, "Odesc", nullptr, 0));
  EXPECT_TRUE(R()->register_object(1999200, "deformer", 32769, &oh, "Odesc", nullptr, 0));
  auto info = Registry::Global().Find(1999200);
  ASSERT_NE(info, nullptr);
  EXPECT_EQ(info->info, 32769);
  EXPECT_EQ(info->description, "Odesc");
  EXPECT_EQ(info->kind, PluginKind::kObject);
}

TEST_F(Registration, HookTablesAreCopiedOnlyAsFarAsTheirSizeSays) {
  C4D_ObjectHooks oh = fake::ObjectHooks();
  oh.size = static_cast<int32_t>(offsetof(C4D_ObjectHooks, draw));  // an older, shorter table
  oh.execute = [](void*, C4D_Node*, C4D_Document*, C4D_Thread*, int32_t, int32_t) { return 0; };
  ASSERT_TRUE(R()->register_object(1999300, "short", 0, &oh, "", nullptr, 0));
  auto info = Registry::Global().Find(1999300);
  EXPECT_NE(info->object.node.alloc, nullptr);
  EXPECT_EQ(info->object.execute, nullptr);
  EXPECT_EQ(info->object.size, static_cast<int32_t>(sizeof(C4D_ObjectHooks)));
}

TEST_F(Registration, CommandsKeepTheirInstanceUntilReset) {
  command_frees = 0;
  C4D_CommandHooks ch{};
  ch.size = sizeof ch;
  ch.inst = new int(7);
  ch.free = FreeCommand;
  ch.execute = ExecuteCommand;
  ASSERT_TRUE(R()->register_command(fake::kCommandId, "Add", 0, nullptr, "help text", &ch));
  EXPECT_EQ(Registry::Global().Find(fake::kCommandId)->help, "help text");
  EXPECT_EQ(Registry::Global().Plugins(PluginKind::kCommand).size(), 1u);
  EXPECT_EQ(command_frees, 0);
  Registry::Global().Reset();
  EXPECT_EQ(command_frees, 1);
  EXPECT_EQ(Registry::Global().Find(fake::kTagId), nullptr);
}

TEST_F(Registration, IconsAreReadFromFilesAndCopiedAtRegistration) {
  TempDir dir;
  std::string le = dir.Write("res/icons/a.tif", Tiff(true, 32, 24));
  std::string be = dir.Write("res/icons/b.tif", Tiff(false, 64, 48));
  std::string junk = dir.Write("res/icons/c.tif", "not a picture");

  C4D_Bitmap* bmp = R()->bitmap_alloc();
  ASSERT_EQ(R()->bitmap_init_file(bmp, be.c_str(), -1), C4D_IMAGERESULT_OK);
  EXPECT_EQ(static_cast<Bitmap*>(bmp)->Width(), 64);
  EXPECT_EQ(static_cast<Bitmap*>(bmp)->Height(), 48);
  EXPECT_EQ(R()->bitmap_init_file(bmp, junk.c_str(), -1), C4D_IMAGERESULT_OK);
  EXPECT_EQ(static_cast<Bitmap*>(bmp)->Width(), 0);
  EXPECT_EQ(R()->bitmap_init_file(bmp, (dir.Path() + "/missing.tif").c_str(), -1), -1);
  EXPECT_EQ(R()->bitmap_init_file(bmp, dir.Path().c_str(), -1), -1);  // a folder

  ASSERT_EQ(R()->bitmap_init_file(bmp, le.c_str(), -1), C4D_IMAGERESULT_OK);
  C4D_TagHooks th = fake::TagHooks();
  ASSERT_TRUE(R()->register_tag(1999400, "iconic", 11, &th, "", bmp, 0));
  R()->bitmap_free(bmp);  // the registry keeps its own copy
  const Icon& icon = Registry::Global().Find(1999400)->icon;
  EXPECT_TRUE(icon.loaded);
  EXPECT_EQ(icon.path, le);
  EXPECT_EQ(icon.width, 32);
  EXPECT_EQ(icon.height, 24);
  EXPECT_EQ(icon.file.size(), Tiff(true, 32, 24).size());
}

TEST_F(Registration, StringTablesLoadAndMalformedOnesNameFileAndLine) {
  TempDir dir;
  dir.Write("res/strings_us/c4d_strings.str",
            "// Tavren strings\n"
            "1000 \"Tavren Tag\"\n"
            "\n"
            "  1002 \"Binding: \\\"frozen\\\"\" ; // status\r\n"
            "1004 \"\"\n");
  C4D_Resource* res = R()->resource_load(dir.Path().c_str());
  ASSERT_NE(res, nullptr);
  EXPECT_STREQ(R()->resource_string(res, 1000), "Tavren Tag");
  EXPECT_STREQ(R()->resource_string(res, 1002), "Binding: \"frozen\"");
  EXPECT_STREQ(R()->resource_string(res, 1004), "");
  EXPECT_STREQ(R()->resource_string(res, 1005), "");
  EXPECT_STREQ(R()->resource_string(nullptr, 1000), "");
  R()->resource_free(res);

  const std::string file = dir.Path() + "/res/strings_us/c4d_strings.str";
  struct Case {
    const char* text;
    const char* expected;
  } cases[] = {
      {"1000 \"a\"\n1001 b\n", ":2: expected a quoted text"},
      {"1000 \"open\n", ":1: text not closed"},
      {"name \"x\"\n", ":1: expected a string id"},
      {"1000 \"a\" trailing\n", ":1: unexpected text"},
      {"1000 \"a\"\n\n1000 \"b\"\n", ":3: string id 1000 defined twice (first on line 1)"},
      {"99999999999 \"a\"\n", ":1: string id out of range"},
      {"1 \"\\q\"\n", ":1: unknown escape"},
  };
  for (const Case& c : cases) {
    ConsoleClear();
    dir.Write("res/strings_us/c4d_strings.str", c.text);
    EXPECT_EQ(R()->resource_load(dir.Path().c_str()), nullptr) << c.text;
    std::vector<std::string> lines = ConsoleLines();
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0].rfind(file, 0), 0u) << lines[0];
    EXPECT_NE(lines[0].find(c.expected), std::string::npos) << lines[0];
  }

  ConsoleClear();
  EXPECT_EQ(R()->resource_load((dir.Path() + "/nowhere").c_str()), nullptr);
  ASSERT_EQ(ConsoleLines().size(), 1u);
  EXPECT_NE(ConsoleLines()[0].find("nowhere/res/strings_us/c4d_strings.str"), std::string::npos);
}

TEST_F(Registration, DescriptionsAreRecordedByName) {
  EXPECT_FALSE(R()->description_load(nullptr, fake::kTagId, C4D_DESCFLAGS_DESC_LOADED));
  EXPECT_TRUE(R()->register_description(fake::kTagId, "TTavrenres", nullptr));
  EXPECT_FALSE(R()->register_description(fake::kTagId, "", nullptr));
  EXPECT_EQ(Registry::Global().DescriptionName(fake::kTagId), "TTavrenres");
  EXPECT_TRUE(R()->description_load(nullptr, fake::kTagId, C4D_DESCFLAGS_DESC_LOADED));
}

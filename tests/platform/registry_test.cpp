#include "platform/registry.h"

#include <gtest/gtest.h>

#include "platform/registry_file.h"
#include "platform/scoped_config_home.h"

namespace {

using testing_support::read_text;
using testing_support::ScopedConfigHome;
using testing_support::write_text;

TEST(Registry, ValuesRoundTripThroughTheFile) {
  ScopedConfigHome home;
  EXPECT_EQ(platform::registry_get_string("Software\\quillet\\Param\\start", ""), std::nullopt);

  ASSERT_TRUE(platform::registry_create_key("Software\\quillet\\Param"));
  ASSERT_TRUE(platform::registry_set_string("Software\\quillet\\Param\\start", "", "12.500000"));
  ASSERT_TRUE(platform::registry_set_string("Software\\quillet\\Param\\path", "", "/media/My Disc [1]"));
  ASSERT_TRUE(platform::registry_set_string("Software\\Dorvane\\General", "Version", "1.0"));
  ASSERT_TRUE(platform::registry_set_string("Software\\quillet\\Param\\start", "", "3.000000"));  // overwrite

  EXPECT_EQ(platform::registry_get_string("Software\\quillet\\Param\\start", ""), "3.000000");
  EXPECT_EQ(platform::registry_get_string("Software\\quillet\\Param\\path", ""), "/media/My Disc [1]");
  // Key paths and names compare as the registry compares them: without case, extra separators ignored.
  EXPECT_EQ(platform::registry_get_string("\\software\\DORVANE\\\\general\\", "version"), "1.0");
  EXPECT_EQ(platform::registry_get_string("Software\\Dorvane\\General", "Support"), std::nullopt);
  EXPECT_EQ(platform::registry_get_string("Software\\Dorvane\\General", ""), std::nullopt);

  EXPECT_EQ(read_text(home.file("registry.ini")),
            "[Software\\quillet\\Param]\n"
            "\n[Software\\quillet\\Param\\start]\n@=3.000000\n"
            "\n[Software\\quillet\\Param\\path]\n@=/media/My Disc [1]\n"
            "\n[Software\\Dorvane\\General]\nVersion=1.0\n");
}

TEST(Registry, TextsThatBreakTheLineFormatSurvive) {
  ScopedConfigHome home;
  const std::string awkward[] = {"two\nlines", " padded ", "\"quoted\"", "back\\slash=\"x\"\r", ""};
  for (const std::string& text : awkward) {
    ASSERT_TRUE(platform::registry_set_string("Software\\Test", "v", text));
    EXPECT_EQ(platform::registry_get_string("Software\\Test", "v"), text);
  }
  const std::string names[] = {"@", "a=b", "[section]", " spaced"};
  for (const std::string& name : names) {
    ASSERT_TRUE(platform::registry_set_string("Software\\Test", name, name + "-value"));
  }
  for (const std::string& name : names) {
    EXPECT_EQ(platform::registry_get_string("Software\\Test", name), name + "-value") << name;
  }
  EXPECT_EQ(platform::registry_get_string("Software\\Test", ""), std::nullopt) << "\"@\" is not the default value";
}

TEST(Registry, DamagedFileIsReadLeniently) {
  ScopedConfigHome home;
  write_text(home.file("registry.ini"),
             "stray=line before any section\n"
             "\x01\x02 binary junk\n"
             "[Software\\A]\r\n"
             "@=first\r\n"
             "no equals sign here\n"
             "; comment=ignored\n"
             "=nameless\n"
             "[Software\\B\n"  // header cut short: its lines belong nowhere
             "lost=1\n"
             "[software\\a]\n"
             "@=second\n"
             "other = spaced value  \n"
             "quote=\"unterminated\n"
             "[Software\\C]\n"
             "cut");  // the file ends in the middle of a line
  EXPECT_EQ(platform::registry_get_string("Software\\A", ""), "second");
  EXPECT_EQ(platform::registry_get_string("Software\\A", "other"), "spaced value");
  EXPECT_EQ(platform::registry_get_string("Software\\A", "quote"), "\"unterminated");
  EXPECT_EQ(platform::registry_get_string("Software\\A", "stray"), std::nullopt);
  EXPECT_EQ(platform::registry_get_string("Software\\B", "lost"), std::nullopt);
  EXPECT_EQ(platform::registry_get_string("Software\\C", "cut"), std::nullopt);

  // Writing keeps what could be read and drops the junk.
  ASSERT_TRUE(platform::registry_set_string("Software\\C", "new", "1"));
  EXPECT_EQ(platform::registry_get_string("Software\\A", ""), "second");
  EXPECT_EQ(platform::registry_get_string("Software\\C", "new"), "1");
}

TEST(Registry, FailsWithoutLosingAnythingWhenTheStoreCannotBeUsed) {
  ScopedConfigHome home;
  EXPECT_FALSE(platform::registry_create_key(""));
  EXPECT_FALSE(platform::registry_set_string("\\\\", "v", "x"));
  EXPECT_FALSE(platform::registry_set_string("Software\nInjected", "v", "x"));

  // A store that exists but cannot be read is never overwritten.
  std::filesystem::create_directory(home.file("registry.ini"));
  EXPECT_FALSE(platform::registry_set_string("Software\\A", "v", "x"));
  EXPECT_EQ(platform::registry_get_string("Software\\A", "v"), std::nullopt);
  std::filesystem::remove(home.file("registry.ini"));

  home.make_unwritable();
  EXPECT_FALSE(platform::registry_create_key("Software\\A"));
  EXPECT_FALSE(platform::registry_set_string("Software\\A", "v", "x"));
  EXPECT_EQ(platform::registry_get_string("Software\\A", "v"), std::nullopt);
}

TEST(RegistryFile, FormatThenParseIsIdentity) {
  platform::RegistryStore store{{"Software\\X", {{"", "default"}, {"a=b", "two\nlines"}, {"plain", " padded\t"}}},
                                {"Software\\Y", {}}};
  const platform::RegistryStore again = platform::parse_registry(platform::format_registry(store));
  ASSERT_EQ(again.size(), 2u);
  EXPECT_EQ(again[0].path, "Software\\X");
  EXPECT_EQ(again[0].values, store[0].values);
  EXPECT_EQ(again[1].path, "Software\\Y");
  EXPECT_TRUE(again[1].values.empty());
}

}  // namespace

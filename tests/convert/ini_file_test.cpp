#include "convert/ini_file.h"

#include <gtest/gtest.h>

#include <climits>

namespace {

using convert::IniFile;

struct IntCase {
  const char* name;
  const char* text;
  int expected;
};

class LeadingInt : public ::testing::TestWithParam<IntCase> {};

TEST_P(LeadingInt, ReadsLikeAtoi) { EXPECT_EQ(convert::leading_int(GetParam().text), GetParam().expected); }

INSTANTIATE_TEST_SUITE_P(
    Texts, LeadingInt,
    ::testing::Values(IntCase{"Plain", "42", 42}, IntCase{"LeadingBlanksAndSign", " \t-17", -17},
                      IntCase{"PlusSign", "+8", 8}, IntCase{"TrailingText", "12abc", 12},
                      IntCase{"NotANumber", "abc", 0}, IntCase{"SignOnly", "-", 0},
                      IntCase{"BlankInsideNumber", "1 2", 1}, IntCase{"DecimalText", "25.9", 25},
                      IntCase{"HugePositive", "99999999999999999999", INT_MAX},
                      IntCase{"HugeNegative", "-99999999999999999999", INT_MIN},
                      IntCase{"ExactMinimum", "-2147483648", INT_MIN}),
    [](const auto& row) { return std::string(row.param.name); });

TEST(IniFile, ReadsWithProfileStringSemantics) {
  const IniFile file = IniFile::Parse(
      "stray=before any section\r\n"
      "[Frame Size]\r\n"
      "  value = 5  \r\n"
      "Value=6\r\n"  // the first match counts
      "; Width=1\n"
      "Width=\n"
      "Height='  300 '\n"
      "[frame size]\n"
      "Width=999\n"
      "[Output Folder]\n"
      "Value=\"/data/my videos/\"\n"
      "[Broken\n"
      "Value=7\n");
  EXPECT_EQ(file.GetString("FRAME SIZE", "VALUE"), "5");
  EXPECT_EQ(file.GetInt("Frame Size", "Width", -1), -1) << "empty values and later duplicate sections are missing";
  EXPECT_EQ(file.GetString("Frame Size", "Height"), "  300 ");
  EXPECT_EQ(file.GetString("Output Folder", "Value"), "/data/my videos/");
  EXPECT_EQ(file.GetString("Broken", "Value"), "7");  // a header cut short still names its section
  EXPECT_EQ(file.GetString("Nowhere", "stray"), std::nullopt);
  EXPECT_EQ(file.GetInt("Frame Rate", "Value", 2), 2);
}

TEST(IniFile, WritesInPlaceAppendsAndKeepsOtherLines) {
  IniFile file = IniFile::Parse(
      "; my settings\n"
      "[A]\n"
      "x=1\n"
      "other=kept\n"
      "\n"
      "[B]\n"
      "y=2\n");
  ASSERT_TRUE(file.SetInt("a", "X", 10));   // replaced where it stands, with the name as given
  ASSERT_TRUE(file.SetInt("A", "z", -3));   // appended after the section's last line
  ASSERT_TRUE(file.SetString("C", "Value", "new section"));
  ASSERT_TRUE(file.SetString("C", "Padded", " blank ends "));
  ASSERT_TRUE(file.SetString("C", "Quoted", "\"already quoted\""));
  EXPECT_EQ(file.Text(),
            "; my settings\n"
            "[A]\n"
            "X=10\n"
            "other=kept\n"
            "z=-3\n"
            "\n"
            "[B]\n"
            "y=2\n"
            "[C]\n"
            "Value=new section\n"
            "Padded=\" blank ends \"\n"
            "Quoted=\"\"already quoted\"\"\n");
  const IniFile again = IniFile::Parse(file.Text());
  EXPECT_EQ(again.GetString("C", "Padded"), " blank ends ");
  EXPECT_EQ(again.GetString("C", "Quoted"), "\"already quoted\"");
  EXPECT_EQ(again.GetInt("A", "x", 0), 10);
}

TEST(IniFile, RefusesWhatCouldNotBeReadBack) {
  IniFile file;
  EXPECT_FALSE(file.SetString("Output Folder", "Value", "/two\nlines/"));
  EXPECT_FALSE(file.SetString("Sec]tion", "Value", "x"));
  EXPECT_FALSE(file.SetString("Section", "a=b", "x"));
  EXPECT_FALSE(file.SetString("", "Value", "x"));
  EXPECT_FALSE(file.SetString("Section", " ", "x"));
  EXPECT_EQ(file.Text(), "");
}

}  // namespace

// The option table's rows (kinds per row), the help listing and the information options.
#include <gtest/gtest.h>

#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "option_test_support.h"

namespace {

using testing::internal::CaptureStderr;
using testing::internal::GetCapturedStderr;

unsigned flags_of(std::string_view name) {
  for (int i = 0; i < option_count(); ++i) {
    if (option_info(i).name == name) return option_info(i).flags;
  }
  ADD_FAILURE() << "no option -" << name;
  return 0;
}

TEST(OptionTable, HasEveryRowOnceInOrder) {
  ASSERT_EQ(option_count(), 175);
  std::set<std::string_view> names;
  for (int i = 0; i < option_count(); ++i) EXPECT_TRUE(names.insert(option_info(i).name).second);
  EXPECT_EQ(option_info(0).name, "L");
  EXPECT_EQ(option_info(6).name, "i");
  EXPECT_EQ(option_info(38).name, "r");
  EXPECT_EQ(option_info(174).name, "muxvb");
}

// The storage kind decides how the argument is converted; a row in the wrong kind silently
// stores garbage (a float read as an integer, a text pointer kept instead of copied).
TEST(OptionTable, RowsHaveTheirKinds) {
  const std::map<unsigned, std::vector<const char*>> kinds = {
      {OPT_BOOL,
       {"y", "benchmark", "dump", "hex", "re", "loop", "copyts", "shortest", "fixaspect", "intra", "vn", "hq",
        "4mv", "obmc", "lf", "part", "sameq", "deinterlace", "ildct", "ilme", "psnr", "vstats", "aic", "aiv",
        "umv", "ssm", "alt", "qprd", "cbp", "trell", "mv0", "naq", "cgop", "sgop", "noout", "scan_offset",
        "qpel", "an"}},
      {OPT_INT | OPT_HAS_ARG,
       {"fs", "vframes", "aframes", "dframes", "vsync", "async", "dc", "coder", "context", "pred", "vprofile",
        "vlevel", "nssew", "subq", "lowres", "skip_threshold", "skip_factor", "skip_exp", "skip_cmp",
        "muxrate", "packetsize", "vol"}},
      {OPT_FLOAT | OPT_HAS_ARG, {"muxdelay", "muxpreload"}},
      {OPT_STRING | OPT_HAS_ARG, {"title", "author", "copyright", "comment", "passlogfile"}},
      {0, {"L", "h", "version", "formats", "bitexact"}},  // handlers without argument
  };
  const unsigned kind_bits = OPT_BOOL | OPT_INT | OPT_FLOAT | OPT_STRING | OPT_HAS_ARG;
  int listed = 0;
  for (const auto& [kind, names] : kinds) {
    for (const char* name : names) {
      EXPECT_EQ(flags_of(name) & kind_bits, kind) << "-" << name;
      ++listed;
    }
  }
  // Every other row is a handler that takes an argument.
  for (int i = 0; i < option_count(); ++i) {
    const unsigned f = option_info(i).flags & kind_bits;
    if ((f & ~OPT_HAS_ARG) == 0 && (f & OPT_HAS_ARG)) ++listed;
  }
  EXPECT_EQ(listed, option_count());
}

TEST(OptionHelp, ListsEveryOptionOnceUnderItsGroup) {
  CaptureStderr();
  print_option_help();
  const std::string text = GetCapturedStderr();

  const char* headings[] = {"Main options:\n", "\nVideo options:\n", "\nAdvanced Video options:\n",
                            "\nAudio options:\n", "\nAdvanced Audio options:\n", "\nAudio/Video grab options:\n",
                            "\nAdvanced options:\n"};
  size_t at = 0;
  for (const char* h : headings) {
    const size_t found = text.find(h, at);
    ASSERT_NE(found, std::string::npos) << h;
    at = found + 1;
  }
  EXPECT_EQ(text.rfind("Main options:\n", 0), 0u);

  std::map<std::string, int> seen;
  std::map<std::string, std::string> group_of;
  std::istringstream lines(text);
  std::string line, group;
  while (std::getline(lines, line)) {
    if (line.empty()) continue;
    if (line[0] != '-') {
      group = line;
      continue;
    }
    const std::string name = line.substr(1, line.find(' ') - 1);
    ++seen[name];
    group_of[name] = group;
  }
  EXPECT_EQ(static_cast<int>(seen.size()), option_count());
  for (const auto& [name, count] : seen) EXPECT_EQ(count, 1) << name;

  EXPECT_EQ(group_of["i"], "Main options:");
  EXPECT_EQ(group_of["s"], "Video options:");
  EXPECT_EQ(group_of["qmin"], "Advanced Video options:");
  EXPECT_EQ(group_of["ab"], "Audio options:");
  EXPECT_EQ(group_of["atag"], "Advanced Audio options:");
  EXPECT_EQ(group_of["tvstd"], "Audio/Video grab options:");
  EXPECT_EQ(group_of["muxvb"], "Advanced options:");

  // "-%-17s  %s": name and argument name padded to 17, two blanks, the help text.
  EXPECT_NE(text.find("\n-y                  overwrite output files\n"), std::string::npos);
  EXPECT_NE(text.find("\n-b bitrate          set video bitrate (in kbit/s)\n"), std::string::npos);
}

struct InfoCase {
  const char* option;
  const char* shows;
};

class InformationOption : public ::testing::TestWithParam<InfoCase> {};

TEST_P(InformationOption, PrintsAndExitsWithStatusOne) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(parse_words({GetParam().option}), ::testing::ExitedWithCode(1), GetParam().shows);
}

INSTANTIATE_TEST_SUITE_P(
    All, InformationOption,
    ::testing::Values(InfoCase{"-h", "Advanced options:"}, InfoCase{"-L", "WARRANTY"},
                      InfoCase{"-version", "libavcodec +[0-9]+\\.[0-9]+"},
                      InfoCase{"-formats", "libxvid.*ntsc pal qntsc qpal sntsc spal film ntsc-film sqcif qcif cif 4cif"}),
    [](const auto& row) { return std::string(row.param.option + 1); });

}  // namespace

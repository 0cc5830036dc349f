#include "convert/conversion_settings.h"

#include <gtest/gtest.h>

#include <climits>
#include <filesystem>
#include <tuple>

#include "platform/fake_system_services.h"
#include "platform/scoped_config_home.h"

namespace {

using convert::ConversionSettings;
using convert::IniFile;
using testing_support::read_text;
using testing_support::ScopedConfigHome;
using testing_support::write_text;

// The numeric fields of the record, in declaration order, for whole-record comparisons.
struct Numbers {
  int profile, size, width, height, frame_rate, video_row, video_kbps, keep_aspect, audio_row, aspect, audio_kbps,
      channels_row, channels, volume_row, volume_percent, shutdown, split, custom_split, tv, format;
  bool operator==(const Numbers&) const = default;
};

Numbers numbers_of(const ConversionSettings& s) {
  return {s.profile_index,  s.size_index,       s.width,          s.height,
          s.frame_rate_index, s.video_bitrate_index, s.video_kbps,   s.keep_aspect ? 1 : 0,
          s.audio_bitrate_index, s.aspect_index, s.audio_kbps,      s.channels_index,
          s.channels,       s.volume_index,     s.volume_percent, s.shutdown_when_done,
          s.split_mode_index, s.custom_split_mb, s.tv_mode_index,  s.output_format};
}

void PrintTo(const Numbers& n, std::ostream* out) {
  *out << "profile " << n.profile << " size " << n.size << " " << n.width << "x" << n.height << " rate " << n.frame_rate
       << " video " << n.video_row << "/" << n.video_kbps << " keep " << n.keep_aspect << " audio " << n.audio_row
       << "/" << n.audio_kbps << " aspect " << n.aspect << " channels " << n.channels_row << "/" << n.channels
       << " volume " << n.volume_row << "/" << n.volume_percent << " shutdown " << n.shutdown << " split " << n.split
       << "/" << n.custom_split << " tv " << n.tv << " format " << n.format;
}

constexpr Numbers kDefaults{4, 2, 320, 240, 2, 8, 896, 0, 5, 0, 112, 1, 2, 2, 100, 0, 0, 650, 0, 0};

Numbers with(Numbers n, void (*change)(Numbers&)) {
  change(n);
  return n;
}

struct LoadCase {
  const char* name;
  const char* ini;
  Numbers expected;
  const char* folder;  // nullptr: the default output folder
};

class LoadSettingsTable : public ::testing::TestWithParam<LoadCase> {};

TEST_P(LoadSettingsTable, AppliesDefaultsAndRanges) {
  const ConversionSettings s = convert::SettingsFromIni(IniFile::Parse(GetParam().ini));
  EXPECT_EQ(numbers_of(s), GetParam().expected);
  EXPECT_EQ(s.output_folder, GetParam().folder ? std::string(GetParam().folder) : convert::DefaultOutputFolder());
  EXPECT_DOUBLE_EQ(s.frames_per_second, convert::kFrameRates[s.frame_rate_index].frames_per_second);
}

constexpr const char* kAllAbc =
    "[Profiles Settings]\nValue=abc\n[Frame Size]\nValue=abc\nWidth=abc\nHeight=abc\n[Frame Rate]\nValue=abc\n"
    "[Video Bitrate]\nValue0=abc\nValue1=abc\n[Aspect]\nValue=abc\nValue0=abc\n[Audio Bitrate]\nValue0=abc\n"
    "Value1=abc\n[Channels]\nValue=abc\n[Volume]\nValue=abc\n[Output Folder]\nValue=abc\n[Shutdown]\nValue=abc\n"
    "[Split Mode]\nValue=abc\nValue0=abc\n[TV Mode]\nValue=abc\n[Output Format]\nValue=abc\n";

INSTANTIATE_TEST_SUITE_P(
    Files, LoadSettingsTable,
    ::testing::Values(
        LoadCase{"NoFile", "", kDefaults, nullptr},
        LoadCase{"SizeRowOutOfRange", "[Frame Size]\nValue=9\n", kDefaults, nullptr},
        LoadCase{"SizeRowWithItsOwnSize", "[Frame Size]\nValue=0\nWidth=400\nHeight=300\n",
                 with(kDefaults, [](Numbers& n) { n.size = 0, n.width = 400, n.height = 300; }), nullptr},
        LoadCase{"SizeFallsBackOnTheRowJustRead", "[Frame Size]\nValue=5\n",
                 with(kDefaults, [](Numbers& n) { n.size = 5, n.width = 640, n.height = 360; }), nullptr},
        LoadCase{"AudioCappedVideoNot", "[Audio Bitrate]\nValue1=192\n[Video Bitrate]\nValue1=3000\n",
                 with(kDefaults, [](Numbers& n) { n.audio_kbps = 128, n.video_kbps = 3000; }), nullptr},
        LoadCase{"RatesFallBackOnTheProfileJustRead", "[Profiles Settings]\nValue=1\n",
                 with(kDefaults, [](Numbers& n) { n.profile = 1, n.video_kbps = 512, n.audio_kbps = 64; }), nullptr},
        LoadCase{"ChannelsAndFormatAreForced", "[Channels]\nValue=0\n[Output Format]\nValue=2\n", kDefaults, nullptr},
        LoadCase{"GarbageReadsAsZero", kAllAbc,
                 Numbers{0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1, 2, 0, 50, 0, 0, 0, 0, 0}, "abc"},
        LoadCase{"NegativeAndHuge",
                 "[Profiles Settings]\nValue=-3\n[Frame Size]\nWidth=-20\nHeight=99999999999\n"
                 "[Frame Rate]\nValue=99999999999999\n[Video Bitrate]\nValue0=10\nValue1=-768\n"
                 "[Aspect]\nValue=-1\nValue0=7\n[Audio Bitrate]\nValue0=-2\nValue1=-50\n[Volume]\nValue=1000\n"
                 "[Shutdown]\nValue=-5\n[Split Mode]\nValue=6\nValue0=99999999999\n[TV Mode]\nValue=-1\n",
                 Numbers{0, 2, -20, INT_MAX, 4, 9, -768, 1, 0, 1, -50, 1, 2, 18, 500, -5, 5, INT_MAX, 0, 0}, nullptr},
        LoadCase{"EmptyValuesCountAsMissing", "[Profiles Settings]\nValue=\n[Output Folder]\nValue=\n[Volume]\nValue= \n",
                 kDefaults, nullptr},
        LoadCase{"NamesWithoutCaseAndQuotedFolder",
                 "[profiles settings]\n  VALUE = 3 \n[Output Folder]\nValue=\"  /media/My Videos/ \"\n",
                 with(kDefaults, [](Numbers& n) { n.profile = 3, n.video_kbps = 768, n.audio_kbps = 96; }),
                 "  /media/My Videos/ "},
        LoadCase{"BinaryJunk", "\x01\x02[\xff\n=junk\n[Frame Rate\nValue=3\n",
                 with(kDefaults, [](Numbers& n) { n.frame_rate = 3; }), nullptr}),
    [](const auto& row) { return std::string(row.param.name); });

TEST(SettingsFile, MissingOrUnreadableFileGivesDefaultsAndSaveWritesNineteenKeysInOrder) {
  ScopedConfigHome home;
  ConversionSettings s;
  s.profile_index = -1;
  convert::LoadSettings(s);
  EXPECT_EQ(numbers_of(s), kDefaults);

  s.output_folder = "/srv/out/";
  ASSERT_TRUE(convert::SaveSettings(s));
  EXPECT_EQ(read_text(convert::SettingsFilePath()),
            "[Profiles Settings]\nValue=4\n"
            "[Frame Size]\nValue=2\nWidth=320\nHeight=240\n"
            "[Frame Rate]\nValue=2\n"
            "[Video Bitrate]\nValue0=8\nValue1=896\n"
            "[Aspect]\nValue=0\nValue0=0\n"
            "[Audio Bitrate]\nValue0=5\nValue1=112\n"
            "[Channels]\nValue=1\n"
            "[Volume]\nValue=2\n"
            "[Output Folder]\nValue=/srv/out/\n"
            "[Shutdown]\nValue=0\n"
            "[Split Mode]\nValue=0\nValue0=650\n"
            "[TV Mode]\nValue=0\n"
            "[Output Format]\nValue=0\n");

  // A settings "file" that cannot be read: defaults, and it is not replaced.
  std::filesystem::remove(convert::SettingsFilePath());
  std::filesystem::create_directory(convert::SettingsFilePath());
  convert::LoadSettings(s);
  EXPECT_EQ(numbers_of(s), kDefaults);
  EXPECT_FALSE(convert::SaveSettings(s));
  EXPECT_TRUE(std::filesystem::is_directory(convert::SettingsFilePath()));
}

TEST(SettingsFile, OversizedFileGivesDefaultsAndIsReplacedWhole) {
  ScopedConfigHome home;
  write_text(convert::SettingsFilePath(), "[Profiles Settings]\nValue=1\n;" + std::string(2u << 20, 'x') + "\n");
  ConversionSettings s;
  convert::LoadSettings(s);
  EXPECT_EQ(numbers_of(s), kDefaults);
  ASSERT_TRUE(convert::SaveSettings(s));
  EXPECT_LT(std::filesystem::file_size(convert::SettingsFilePath()), 1000u);
  convert::LoadSettings(s);
  EXPECT_EQ(numbers_of(s), kDefaults);
}

TEST(SettingsFile, RoundTripRebuildsForcedValuesAndKeepsForeignLines) {
  ScopedConfigHome home;
  write_text(convert::SettingsFilePath(),
             "; written by hand\n[Channels]\nValue=0\n[Output Format]\nValue=2\n[Extra]\nmine=kept\n"
             "[Frame Size]\nValue=0\nWidth=400\nHeight=300\n");
  ConversionSettings s;
  convert::LoadSettings(s);
  s.keep_aspect = true;
  s.output_folder = "/very/" + std::string(600, 'd') + "/";  // longer than any fixed buffer
  ASSERT_TRUE(convert::SaveSettings(s));

  const IniFile saved = IniFile::Parse(read_text(convert::SettingsFilePath()));
  EXPECT_EQ(saved.GetString("Channels", "Value"), "1");
  EXPECT_EQ(saved.GetString("Output Format", "Value"), "0");
  EXPECT_EQ(saved.GetString("Extra", "mine"), "kept");
  EXPECT_EQ(saved.GetString("Aspect", "Value"), "1");
  EXPECT_EQ(read_text(convert::SettingsFilePath()).rfind("; written by hand\n", 0), 0u);

  ConversionSettings again;
  convert::LoadSettings(again);
  EXPECT_EQ(numbers_of(again), numbers_of(s));
  EXPECT_EQ(again.output_folder, s.output_folder);
  EXPECT_EQ(again.width, 400);
}

TEST(SettingsFile, UnwritableFolderOrUnstorableFolderNameLosesNothing) {
  ScopedConfigHome home;
  ConversionSettings s;
  s.output_folder = "/first/";
  ASSERT_TRUE(convert::SaveSettings(s));

  // A folder name with a line break cannot be stored; the rest is saved and the old folder stays.
  s.output_folder = "/two\nlines/";
  s.profile_index = 1;
  ASSERT_TRUE(convert::SaveSettings(s));
  ConversionSettings loaded;
  convert::LoadSettings(loaded);
  EXPECT_EQ(loaded.output_folder, "/first/");
  EXPECT_EQ(loaded.profile_index, 1);

  home.make_unwritable();
  EXPECT_FALSE(convert::SaveSettings(s));
  convert::LoadSettings(loaded);
  EXPECT_EQ(numbers_of(loaded), kDefaults);
}

TEST(SelectionHandlers, ProfileCascadeFromAnyState) {
  for (int row = 0; row < static_cast<int>(convert::kProfiles.size()); ++row) {
    ConversionSettings s;
    s.channels_index = 0, s.channels = 1, s.size_index = 0, s.width = 1, s.height = 1;
    s.frame_rate_index = 4, s.aspect_index = 1, s.volume_index = 7, s.video_bitrate_index = 0;
    convert::OnProfileSelected(s, row);
    const auto& profile = convert::kProfiles[row];
    SCOPED_TRACE(profile.text);
    EXPECT_EQ(s.profile_index, row);
    EXPECT_EQ(std::tie(s.video_kbps, s.audio_kbps), std::tie(profile.video_kbps, profile.audio_kbps));
    EXPECT_EQ(std::tie(s.channels_index, s.channels), std::make_tuple(1, 2));
    EXPECT_EQ(s.size_index, profile.size_row);
    EXPECT_EQ(std::tie(s.width, s.height),
              std::tie(convert::kFrameSizes[profile.size_row].width, convert::kFrameSizes[profile.size_row].height));
    EXPECT_EQ(s.audio_bitrate_index, row + 1);
    EXPECT_EQ(convert::kAudioBitrates[s.audio_bitrate_index].kbps, profile.audio_kbps);
    ASSERT_LT(s.video_bitrate_index, static_cast<int>(convert::kVideoBitrates.size()));
    EXPECT_EQ(convert::kVideoBitrates[s.video_bitrate_index].kbps, profile.video_kbps);
    EXPECT_EQ(std::tie(s.frame_rate_index, s.aspect_index, s.volume_index), std::make_tuple(4, 1, 7));
  }
  ConversionSettings medium;
  convert::OnProfileSelected(medium, 3);
  EXPECT_EQ(std::make_tuple(medium.video_kbps, medium.audio_kbps, medium.width, medium.height,
                            medium.audio_bitrate_index, medium.video_bitrate_index),
            std::make_tuple(768, 96, 640, 360, 4, 7));
}

TEST(SelectionHandlers, SetIndexAndValueAndIgnorePositionsOutsideTheList) {
  ConversionSettings s;
  convert::OnFrameSizeSelected(s, 7);
  convert::OnFrameRateSelected(s, 0);
  convert::OnVideoBitrateSelected(s, 2);
  convert::OnAudioBitrateSelected(s, 0);
  convert::OnAspectSelected(s, 1);
  convert::OnShutdownChecked(s, true);
  EXPECT_EQ(std::make_tuple(s.size_index, s.width, s.height), std::make_tuple(7, 720, 320));
  EXPECT_EQ(s.frame_rate_index, 0);
  EXPECT_DOUBLE_EQ(s.frames_per_second, 24000.0 / 1001.0);
  EXPECT_EQ(std::make_tuple(s.video_bitrate_index, s.video_kbps), std::make_tuple(2, 256));
  EXPECT_EQ(std::make_tuple(s.audio_bitrate_index, s.audio_kbps), std::make_tuple(0, 32));
  EXPECT_EQ(s.aspect_index, 1);
  EXPECT_EQ(s.shutdown_when_done, 1);

  const Numbers before = numbers_of(s);
  for (int sel : {-1, 100}) {
    convert::OnProfileSelected(s, sel);
    convert::OnFrameSizeSelected(s, sel);
    convert::OnFrameRateSelected(s, sel);
    convert::OnVideoBitrateSelected(s, sel);
    convert::OnAudioBitrateSelected(s, sel);
    convert::OnAspectSelected(s, sel);
  }
  EXPECT_EQ(numbers_of(s), before);
  convert::OnShutdownChecked(s, false);
  EXPECT_EQ(s.shutdown_when_done, 0);
}

TEST(BrowseOutputFolder, StoresTheChoiceWithATrailingSlash) {
  platform::FakeFolderPicker picker;
  ConversionSettings s;
  s.output_folder = "/old/";

  picker.push_answer("/media/usb");
  EXPECT_FALSE(convert::BrowseOutputFolder(s, picker, /*converting=*/true));
  EXPECT_TRUE(picker.requests().empty()) << "no dialog while converting";

  EXPECT_TRUE(convert::BrowseOutputFolder(s, picker, false));
  EXPECT_EQ(s.output_folder, "/media/usb/");
  ASSERT_EQ(picker.requests().size(), 1u);
  EXPECT_EQ(picker.requests()[0].title, "Select output folder");
  EXPECT_EQ(picker.requests()[0].start_folder, "/old/");

  picker.push_answer("/");
  EXPECT_TRUE(convert::BrowseOutputFolder(s, picker, false));
  EXPECT_EQ(s.output_folder, "/");

  picker.push_answer(std::nullopt);  // cancelled
  EXPECT_FALSE(convert::BrowseOutputFolder(s, picker, false));
  EXPECT_EQ(s.output_folder, "/");
}

TEST(ValueTables, ListTexts) {
  EXPECT_STREQ(convert::kFrameRates[2].text, "25.0  ");
  EXPECT_STREQ(convert::kVideoBitrates[2].text, "256 kbps ");
  EXPECT_EQ(convert::VolumeText(0), "50%");
  EXPECT_EQ(convert::VolumeText(18), "500%");
  EXPECT_EQ(convert::DefaultOutputFolder().back(), '/');
}

}  // namespace

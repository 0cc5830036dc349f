// The main window's output settings, the value tables behind its drop-down lists, and their
// persistence in "Option.ini" in the configuration folder. Everything here runs on the
// user-interface thread.
#pragma once

#include <array>
#include <string>

#include "convert/ini_file.h"
#include "platform/system_services.h"

namespace convert {

struct ProfileRow {
  int video_kbps;
  int audio_kbps;
  int size_row;
  const char* text;
};
struct FrameSizeRow {
  int width;
  int height;
  const char* text;
};
struct FrameRateRow {
  double frames_per_second;
  const char* text;  // with the list's trailing blanks
};
struct RateRow {
  int kbps;
  const char* text;
};
struct ChannelsRow {
  int channels;
  const char* text;
};

inline constexpr std::array<ProfileRow, 6> kProfiles{{
    {384, 48, 2, "Low: Video: 384kbps,   Audio: 48kbps"},
    {512, 64, 2, "Acceptable:  Video: 512kbps,   Audio: 64kbps"},
    {640, 80, 5, "Normal: Video: 640kbps,   Audio: 80kbps"},
    {768, 96, 5, "Medium: Video: 768kbps,   Audio: 96kbps"},
    {896, 112, 7, "Excellent: Video: 896kbps,   Audio: 112kbps"},
    {1024, 128, 7, "Superb: Video: 1024kbps,   Audio: 128kbps"},
}};

inline constexpr std::array<FrameSizeRow, 8> kFrameSizes{{
    {160, 120, "160x120"},
    {320, 180, "320x180"},
    {320, 240, "320x240"},
    {480, 480, "480x480"},
    {640, 272, "640x272"},
    {640, 360, "640x360"},
    {720, 306, "720x306"},
    {720, 320, "720x320"},
}};

inline constexpr std::array<FrameRateRow, 5> kFrameRates{{
    {24000.0 / 1001.0, "23.976"},
    {24.0, "24.0"},
    {25.0, "25.0  "},
    {30000.0 / 1001.0, "29.97 "},
    {30.0, "30.0"},
}};

inline constexpr std::array<RateRow, 10> kVideoBitrates{{
    {128, "128 kbps"},
    {192, "192 kbps"},
    {256, "256 kbps "},
    {384, "384 kbps"},
    {512, "512 kbps"},
    {576, "576 kbps"},
    {640, "640 kbps"},
    {768, "768 kbps"},
    {896, "896 kbps"},
    {1024, "1024 kbps"},
}};

inline constexpr std::array<RateRow, 7> kAudioBitrates{{
    {32, "32 kbps"},
    {48, "48 kbps"},
    {64, "64 kbps"},
    {80, "80 kbps"},
    {96, "96 kbps"},
    {112, "112 kbps"},
    {128, "128 kbps"},
}};

inline constexpr std::array<ChannelsRow, 2> kChannels{{{1, "1 Channels, Mono"}, {2, "2 Channels, Stereo"}}};

// Rows 0..18: 50 % to 500 % in steps of 25.
inline constexpr int kVolumeRows = 19;
constexpr int VolumePercent(int row) { return 50 + 25 * row; }
std::string VolumeText(int row);  // "50%" ... "500%"

// Also the texts handed to the engine's "-aspect".
inline constexpr std::array<const char*, 2> kAspects{{"4:3", "16:9"}};

inline constexpr std::array<const char*, 6> kSplitModes{{"Infinite", "74Min VCD (730M)", "80Min VCD (790M)",
                                                         "74Min ISO Data CD (650M)", "80Min ISO Data CD (700M)",
                                                         "Customize"}};
inline constexpr std::array<const char*, 3> kTvModes{{"PAL", "NTSC", "FILM"}};

inline constexpr const char* kSelectOutputFolderTitle = "Select output folder";

// Field order is part of the contract. The initial values are those of a start without a settings
// file.
struct ConversionSettings {
  int output_format = 0;       // always 0 (MP4) after loading
  int shutdown_when_done = 0;  // nonzero: power off after a queue that ran to its end
  std::string output_folder;   // ends with '/' once chosen through the picker or used by the queue
  int profile_index = 4;       // row of kProfiles
  int size_index = 2;          // row of kFrameSizes
  int width = 320;             // pixels; what a conversion uses (may differ from the size row)
  int height = 240;
  int frame_rate_index = 2;  // row of kFrameRates
  double frames_per_second = 25.0;
  int video_kbps = 896;
  int video_bitrate_index = 8;  // row of kVideoBitrates; 10 when the rate is in no row
  bool keep_aspect = false;     // persisted only
  int audio_kbps = 112;         // total over all channels
  int audio_bitrate_index = 5;  // row of kAudioBitrates
  int aspect_index = 0;         // row of kAspects
  int channels_index = 1;       // row of kChannels
  int channels = 2;
  int volume_index = 2;  // row of the volume list
  int volume_percent = 100;
  int split_mode_index = 0;  // persisted only
  int tv_mode_index = 0;     // persisted only
  int custom_split_mb = 650;  // persisted only

  ConversionSettings();
};

// "~/dorvane/": where output goes until the user picks a folder.
std::string DefaultOutputFolder();

// The configuration folder's "Option.ini".
std::string SettingsFilePath();

// Reads every key in its fixed order; a missing key takes its default, out-of-range values are
// brought into range. Missing, unreadable or damaged files give the defaults key by key; nothing is
// reported.
ConversionSettings SettingsFromIni(const IniFile& file);
void LoadSettings(ConversionSettings& settings);

// Sets the nineteen keys in their fixed order into `file`, keeping its other lines.
void SettingsToIni(const ConversionSettings& settings, IniFile& file);
// Writes the file atomically (the old file stays whole on any failure). A file that exists but
// cannot be read is left alone rather than replaced. The result is for tests; the window ignores it.
bool SaveSettings(const ConversionSettings& settings);

// Selection handlers: `sel` is the list's new position. A position outside the list (a list with
// no selection reports -1) changes nothing.
void OnProfileSelected(ConversionSettings& settings, int sel);
void OnFrameSizeSelected(ConversionSettings& settings, int sel);
void OnFrameRateSelected(ConversionSettings& settings, int sel);
void OnVideoBitrateSelected(ConversionSettings& settings, int sel);
void OnAudioBitrateSelected(ConversionSettings& settings, int sel);
void OnAspectSelected(ConversionSettings& settings, int sel);
void OnShutdownChecked(ConversionSettings& settings, bool checked);

// Handler of the output-folder button: does nothing while `converting`; otherwise asks the picker,
// starting at the current folder, and stores the choice with a trailing '/'. True when the folder
// changed (the window then shows the new one).
bool BrowseOutputFolder(ConversionSettings& settings, platform::FolderPicker& picker, bool converting);

}  // namespace convert

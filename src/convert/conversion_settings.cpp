#include "convert/conversion_settings.h"

#include <algorithm>
#include <cstdlib>

#include "platform/config_folder.h"
#include "platform/file_text.h"

namespace convert {
namespace {

int clamp_row(int value, int last) { return std::clamp(value, 0, last); }

template <typename Table>
constexpr int last_row(const Table& table) {
  return static_cast<int>(table.size()) - 1;
}

std::string home_folder() {
  const char* home = std::getenv("HOME");
  return (home && *home) ? std::string(home) : std::string("/tmp");
}

std::string with_trailing_slash(std::string folder) {
  if (folder.empty() || folder.back() != '/') folder += '/';
  return folder;
}

}  // namespace

std::string VolumeText(int row) { return std::to_string(VolumePercent(row)) + "%"; }

ConversionSettings::ConversionSettings() : output_folder(DefaultOutputFolder()) {}

std::string DefaultOutputFolder() {
  std::string home = home_folder();
  while (home.size() > 1 && home.back() == '/') home.pop_back();
  return (home == "/" ? std::string() : home) + "/dorvane/";
}

std::string SettingsFilePath() { return platform::config_folder() + "/Option.ini"; }

ConversionSettings SettingsFromIni(const IniFile& file) {
  ConversionSettings s;
  // The order matters: later defaults refer to the rows loaded before them.
  s.profile_index = clamp_row(file.GetInt("Profiles Settings", "Value", 4), last_row(kProfiles));

  s.size_index = file.GetInt("Frame Size", "Value", 2);
  if (s.size_index < 0 || s.size_index > last_row(kFrameSizes)) s.size_index = 2;
  s.width = file.GetInt("Frame Size", "Width", kFrameSizes[s.size_index].width);
  s.height = file.GetInt("Frame Size", "Height", kFrameSizes[s.size_index].height);

  s.frame_rate_index = clamp_row(file.GetInt("Frame Rate", "Value", 2), last_row(kFrameRates));
  s.frames_per_second = kFrameRates[s.frame_rate_index].frames_per_second;

  s.video_bitrate_index = clamp_row(file.GetInt("Video Bitrate", "Value0", 8), last_row(kVideoBitrates));
  s.video_kbps = file.GetInt("Video Bitrate", "Value1", kProfiles[s.profile_index].video_kbps);

  s.keep_aspect = file.GetInt("Aspect", "Value", 0) != 0;
  s.audio_bitrate_index = clamp_row(file.GetInt("Audio Bitrate", "Value0", 5), last_row(kAudioBitrates));
  s.aspect_index = clamp_row(file.GetInt("Aspect", "Value0", 0), last_row(kAspects));
  s.audio_kbps = std::min(file.GetInt("Audio Bitrate", "Value1", kProfiles[s.profile_index].audio_kbps), 128);

  // The channel list is hidden: whatever the file says, conversions are stereo.
  s.channels_index = clamp_row(file.GetInt("Channels", "Value", s.profile_index > 1 ? 1 : 0), last_row(kChannels));
  s.channels_index = 1;
  s.channels = kChannels[s.channels_index].channels;

  s.volume_index = clamp_row(file.GetInt("Volume", "Value", 2), kVolumeRows - 1);
  s.volume_percent = VolumePercent(s.volume_index);

  // Kept whole whatever its length: a shortened path would name another folder.
  s.output_folder = file.GetString("Output Folder", "Value").value_or(DefaultOutputFolder());
  s.shutdown_when_done = file.GetInt("Shutdown", "Value", 0);
  s.split_mode_index = clamp_row(file.GetInt("Split Mode", "Value", 0), last_row(kSplitModes));
  s.custom_split_mb = file.GetInt("Split Mode", "Value0", 650);
  s.tv_mode_index = clamp_row(file.GetInt("TV Mode", "Value", 0), last_row(kTvModes));
  // Only the MP4 output exists in this program.
  s.output_format = std::min(file.GetInt("Output Format", "Value", 0), 2);
  s.output_format = 0;
  return s;
}

// Far more than nineteen keys need; a larger file is not a settings file we wrote.
constexpr size_t kMaxSettingsBytes = 1u << 20;

void LoadSettings(ConversionSettings& settings) {
  const platform::FileText file = platform::read_file_text(SettingsFilePath(), kMaxSettingsBytes);
  settings = SettingsFromIni(file.status == platform::ReadStatus::Ok ? IniFile::Parse(file.text) : IniFile());
}

void SettingsToIni(const ConversionSettings& s, IniFile& file) {
  file.SetInt("Profiles Settings", "Value", s.profile_index);
  file.SetInt("Frame Size", "Value", s.size_index);
  file.SetInt("Frame Size", "Width", s.width);
  file.SetInt("Frame Size", "Height", s.height);
  file.SetInt("Frame Rate", "Value", s.frame_rate_index);
  file.SetInt("Video Bitrate", "Value0", s.video_bitrate_index);
  file.SetInt("Video Bitrate", "Value1", s.video_kbps);
  file.SetInt("Aspect", "Value", s.keep_aspect ? 1 : 0);
  file.SetInt("Audio Bitrate", "Value0", s.audio_bitrate_index);
  file.SetInt("Aspect", "Value0", s.aspect_index);
  file.SetInt("Audio Bitrate", "Value1", s.audio_kbps);
  file.SetInt("Channels", "Value", s.channels_index);
  file.SetInt("Volume", "Value", s.volume_index);
  // A folder name with a line break cannot be stored in this format; the file keeps the old value.
  file.SetString("Output Folder", "Value", s.output_folder);
  file.SetInt("Shutdown", "Value", s.shutdown_when_done);
  file.SetInt("Split Mode", "Value", s.split_mode_index);
  file.SetInt("Split Mode", "Value0", s.custom_split_mb);
  file.SetInt("TV Mode", "Value", s.tv_mode_index);
  file.SetInt("Output Format", "Value", s.output_format);
}

bool SaveSettings(const ConversionSettings& settings) {
  const std::string path = SettingsFilePath();
  const platform::FileText old = platform::read_file_text(path, kMaxSettingsBytes);
  // A file that exists but cannot be read is left alone; an oversized one is replaced whole.
  if (old.status == platform::ReadStatus::Failed) return false;
  IniFile file = old.status == platform::ReadStatus::Ok ? IniFile::Parse(old.text) : IniFile();
  SettingsToIni(settings, file);
  return platform::ensure_config_folder() && platform::write_file_atomically(path, file.Text());
}

void OnProfileSelected(ConversionSettings& s, int sel) {
  if (sel < 0 || sel > last_row(kProfiles)) return;
  const ProfileRow& profile = kProfiles[sel];
  s.profile_index = sel;
  s.video_kbps = profile.video_kbps;
  s.audio_kbps = profile.audio_kbps;
  s.channels_index = 1;
  s.channels = 2;
  s.size_index = profile.size_row;
  s.width = kFrameSizes[s.size_index].width;
  s.height = kFrameSizes[s.size_index].height;
  s.audio_bitrate_index = sel + 1;
  const auto match = std::find_if(kVideoBitrates.begin(), kVideoBitrates.end(),
                                  [&](const RateRow& row) { return row.kbps == s.video_kbps; });
  s.video_bitrate_index = static_cast<int>(match - kVideoBitrates.begin());  // 10 when none matches
}

void OnFrameSizeSelected(ConversionSettings& s, int sel) {
  if (sel < 0 || sel > last_row(kFrameSizes)) return;
  s.size_index = sel;
  s.width = kFrameSizes[sel].width;
  s.height = kFrameSizes[sel].height;
}

void OnFrameRateSelected(ConversionSettings& s, int sel) {
  if (sel < 0 || sel > last_row(kFrameRates)) return;
  s.frame_rate_index = sel;
  s.frames_per_second = kFrameRates[sel].frames_per_second;
}

void OnVideoBitrateSelected(ConversionSettings& s, int sel) {
  if (sel < 0 || sel > last_row(kVideoBitrates)) return;
  s.video_bitrate_index = sel;
  s.video_kbps = kVideoBitrates[sel].kbps;
}

void OnAudioBitrateSelected(ConversionSettings& s, int sel) {
  if (sel < 0 || sel > last_row(kAudioBitrates)) return;
  s.audio_bitrate_index = sel;
  s.audio_kbps = kAudioBitrates[sel].kbps;
}

void OnAspectSelected(ConversionSettings& s, int sel) {
  if (sel < 0 || sel > last_row(kAspects)) return;
  s.aspect_index = sel;
}

void OnShutdownChecked(ConversionSettings& s, bool checked) { s.shutdown_when_done = checked ? 1 : 0; }

bool BrowseOutputFolder(ConversionSettings& settings, platform::FolderPicker& picker, bool converting) {
  if (converting) return false;
  const auto chosen = picker.choose_folder(kSelectOutputFolderTitle, settings.output_folder);
  if (!chosen || chosen->empty()) return false;
  settings.output_folder = with_trailing_slash(*chosen);
  return true;
}

}  // namespace convert

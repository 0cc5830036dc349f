// Where the generated test discs live, and small tools the DVD tests share: copying a disc to
// damage it, and reading levels and beeps out of decoded units.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "dvd/title_decoder.h"

namespace dvd_test {

// The folder of test disc `name` (e.g. "ntsc_4x3"); builds the discs first when they are missing
// (ctest's fixture normally has).
std::string disc(const std::string& name);

// A private copy of disc `name` in a fresh temporary folder, removed by the destructor.
class DiscCopy {
 public:
  explicit DiscCopy(const std::string& name);
  ~DiscCopy();
  DiscCopy(const DiscCopy&) = delete;
  DiscCopy& operator=(const DiscCopy&) = delete;
  std::string folder() const { return (root_ / "disc").string(); }
  std::filesystem::path video_ts() const { return root_ / "disc" / "VIDEO_TS"; }

 private:
  std::filesystem::path root_;
};

// Authors a one-title NTSC disc in `folder` (created) from ffmpeg inputs and options (the part of
// the ffmpeg command line between the program name and the output). False when a tool fails.
bool author_disc(const std::string& ffmpeg_arguments, const std::filesystem::path& folder);

// Everything one decoder delivered until End or Error.
struct Decoded {
  std::vector<double> picture_times;
  std::vector<int> picture_levels;  // luma at the picture centre
  std::vector<int16_t> sound;       // interleaved stereo
  int sample_rate = 0;
  int width = 0, height = 0;
  std::string error;
  bool ended = false;
  bool times_ordered = true;  // every unit's time >= the one before it
};
Decoded decode_all(dvd::TitleDecoder& decoder, int max_pictures = 100000);

// Luma of pixel (x, y) of a YUV 4:2:0 picture.
int luma_at(const AVFrame& picture, int x, int y);
// Start of each beep (seconds): the first loud sample after at least 200 ms of quiet.
std::vector<double> beep_onsets(const std::vector<int16_t>& stereo, int rate);
// Frequency of the tone starting at `onset` (seconds), from zero crossings over 50 ms.
double tone_frequency(const std::vector<int16_t>& stereo, int rate, double onset);

}  // namespace dvd_test

#include "dvd_test_discs.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <random>

namespace dvd_test {

namespace fs = std::filesystem;

std::string disc(const std::string& name) {
  const char* env = std::getenv("DORVANE_TEST_DISCS");
  const fs::path root = env && *env ? env : DORVANE_TEST_DISCS;
  static bool ensured = false;
  if (!ensured && !fs::exists(root / name / "VIDEO_TS")) {
    const std::string command = "bash '" DORVANE_SOURCE_DIR "/tests/data/make_test_discs.sh' '" +
                                root.string() + "' >/dev/null";
    EXPECT_EQ(std::system(command.c_str()), 0) << "the test discs could not be built";
  }
  ensured = true;
  return (root / name).string();
}

DiscCopy::DiscCopy(const std::string& name) {
  std::random_device random;
  root_ = fs::temp_directory_path() / ("dorvane-dvd-" + std::to_string(random()));
  fs::create_directories(root_);
  fs::copy(disc(name), root_ / "disc", fs::copy_options::recursive);
}

DiscCopy::~DiscCopy() {
  std::error_code ec;
  fs::remove_all(root_, ec);
}

bool author_disc(const std::string& ffmpeg_arguments, const fs::path& folder) {
  fs::create_directories(folder);
  const std::string mpg = (folder / "title.mpg").string(), disc = (folder / "disc").string();
  const std::string command =
      "ffmpeg -hide_banner -nostdin -loglevel quiet -y " + ffmpeg_arguments + " '" + mpg + "'" +
      " && VIDEO_FORMAT=NTSC dvdauthor -o '" + disc + "' -t '" + mpg + "' >/dev/null 2>&1" +
      " && VIDEO_FORMAT=NTSC dvdauthor -o '" + disc + "' -T >/dev/null 2>&1";
  return std::system(command.c_str()) == 0;
}

int luma_at(const AVFrame& picture, int x, int y) {
  return picture.data[0][static_cast<ptrdiff_t>(y) * picture.linesize[0] + x];
}

Decoded decode_all(dvd::TitleDecoder& decoder, int max_pictures) {
  Decoded out;
  out.sample_rate = decoder.info().sample_rate;
  out.width = decoder.info().width;
  out.height = decoder.info().height;
  double last = -1;
  for (;;) {
    dvd::DecodedUnit unit = decoder.next();
    if (unit.kind == dvd::DecodedUnit::Kind::End) {
      out.ended = true;
      break;
    }
    if (unit.kind == dvd::DecodedUnit::Kind::Error) {
      out.error = unit.error;
      break;
    }
    if (unit.time < last - 1e-9) out.times_ordered = false;
    last = unit.time;
    const AVFrame& f = *unit.frame;
    if (unit.kind == dvd::DecodedUnit::Kind::Picture) {
      out.picture_times.push_back(unit.time);
      out.picture_levels.push_back(f.format == AV_PIX_FMT_YUV420P ? luma_at(f, f.width / 2, f.height / 2) : -1);
      if (static_cast<int>(out.picture_times.size()) >= max_pictures) break;
    } else {
      const auto* values = reinterpret_cast<const int16_t*>(f.data[0]);
      out.sound.insert(out.sound.end(), values, values + f.nb_samples * 2);
    }
  }
  return out;
}

std::vector<double> beep_onsets(const std::vector<int16_t>& stereo, int rate) {
  std::vector<double> onsets;
  const size_t quiet_needed = static_cast<size_t>(rate) / 5;
  size_t quiet = quiet_needed;  // the sound may start with a beep
  for (size_t i = 0; i < stereo.size() / 2; ++i) {
    if (std::abs(stereo[2 * i]) > 3000) {
      if (quiet >= quiet_needed) onsets.push_back(static_cast<double>(i) / rate);
      quiet = 0;
    } else {
      ++quiet;
    }
  }
  return onsets;
}

double tone_frequency(const std::vector<int16_t>& stereo, int rate, double onset) {
  const size_t first = static_cast<size_t>(onset * rate) + static_cast<size_t>(rate) / 200;
  const size_t count = static_cast<size_t>(rate) / 20;
  int crossings = 0;
  for (size_t i = first + 1; i < first + count && 2 * i < stereo.size(); ++i)
    if ((stereo[2 * (i - 1)] < 0) != (stereo[2 * i] < 0)) ++crossings;
  return crossings / 2.0 / 0.05;
}

}  // namespace dvd_test

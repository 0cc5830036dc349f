// A DVD-Video disc read through libdvdread: its title sets, the titles of each set in the set's
// own order, and per title its chapters, cells, streams and palette. Everything is read and
// checked once at open; the IFO data is untrusted, so every index taken from it is range-checked
// and a broken structure drops the title or title set it belongs to, not the whole disc.
//
// Single owner, not thread-safe. Each TitleDecoder opens a Disc of its own.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "dvd/dvd_owners.h"
#include "dvd/stream_names.h"
#include "dvd/title_catalogue.h"

extern "C" {
#include <libavutil/rational.h>
}

namespace dvd {

// One cell of a title in playback order (first angle only).
struct Cell {
  uint32_t first_sector = 0;  // blocks of 2048 bytes inside the title set's VOB files
  uint32_t last_sector = 0;
  uint32_t last_vobu_sector = 0;  // navigation pack of the cell's last VOBU
  double start_seconds = 0;  // from the title start, sum of the earlier cells' playback times
  double duration_seconds = 0;
  bool angle_block = false;  // interleaved with other angles: walk it by the navigation packs
};

struct AudioTrack {
  AudioFormat format = AudioFormat::Unknown;
  int stream_id = 0;  // as the program-stream demuxer numbers it: 0x80+n AC-3, 0x1c0+n MPEG...
  int channels = 2;
  int sample_rate = 48000;
  std::string name;
};

struct SubtitleStream {
  int stream_id = 0;  // 0x20 + the sub-picture number for the title's aspect
  std::string name;
};

struct Title {
  int vts_ttn = 0;  // the title's number inside its set, from 1
  std::vector<ChapterSpan> chapters;
  std::vector<Cell> cells;
  double duration_seconds = 0;
  std::vector<AudioTrack> audio;          // the tracks the title's program chain marks available
  std::vector<SubtitleStream> subtitles;  // likewise
  std::array<uint32_t, 16> palette{};     // 0x00YYCrCb, from the title's first program chain
};

struct TitleSet {
  int number = 0;  // from 1, as in VTS_01_0.IFO
  bool ntsc = true;
  int width = 720, height = 480;  // coded picture size from the IFO
  AVRational frame_rate{30000, 1001};
  AVRational display_aspect{4, 3};
  std::vector<Title> titles;
  std::vector<uint32_t> vobu_starts;  // VOBU address map: first sector of every VOBU, ascending
};

class Disc {
 public:
  // `folder` holds VIDEO_TS, or is VIDEO_TS, or is an .iso image; a trailing '/' or '\' is
  // ignored. Returns nullptr with a short reason in *error when the disc cannot be opened.
  static std::unique_ptr<Disc> open(const std::string& folder, std::string* error);

  int title_set_count() const { return static_cast<int>(title_sets_.size()); }
  const TitleSet& title_set(int index) const { return title_sets_.at(index); }
  dvd_reader_t* reader() const { return reader_.get(); }
  // Messages of libdvdread and of the checks, for diagnosis; never printed.
  const std::vector<std::string>& log() const { return *log_; }

 private:
  Disc() = default;
  std::shared_ptr<std::vector<std::string>> log_ = std::make_shared<std::vector<std::string>>();
  ReaderPtr reader_;
  std::vector<TitleSet> title_sets_;
};

// The path libdvdread should open for `folder`, or "" with *error set. Pure file-system checks.
std::string disc_root_path(const std::string& folder, std::string* error);

}  // namespace dvd

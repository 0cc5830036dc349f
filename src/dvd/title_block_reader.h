// Reads one title's VOBUs in playback order: cell after cell, inside a cell from navigation pack
// to navigation pack along the next-VOBU pointer, which keeps multi-angle titles on their first
// angle. Every VOBU comes with the offset that puts its 90 kHz stamps on the title's own clock
// (stamps restart at cell and VOB boundaries; the title clock starts at 0 at the first picture).
//
// Damaged data is skipped: a block that cannot be read or a VOBU without a valid navigation pack
// is passed over up to the next VOBU of the address map, and counted. Single owner, not
// thread-safe.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "dvd/disc.h"
#include "dvd/mpeg_pack.h"

namespace dvd {

struct Vobu {
  const uint8_t* data = nullptr;  // whole 2048-byte blocks, valid until the next read
  size_t size = 0;                // bytes
  int cell = 0;                   // index into Title::cells
  int64_t clock_offset = 0;       // add to the VOBU's 90 kHz stamps to get title time in ticks
};

class TitleBlockReader {
 public:
  // Opens the title set's VOB files; nullptr with *error when they are missing.
  static std::unique_ptr<TitleBlockReader> open(dvd_reader_t* reader, const TitleSet& set,
                                                const Title& title, std::string* error);

  // Places the reader at the VOBU that holds `seconds` of title time, one VOBU earlier when that
  // one is in the same cell (its pictures may be needed to decode the first ones). False when
  // the time is beyond the title.
  bool seek(double seconds);

  // The next VOBU, or nullopt at the end of the title.
  std::optional<Vobu> read();

  int skipped_vobus() const { return skipped_; }

 private:
  TitleBlockReader(const TitleSet& set, const Title& title) : set_(set), title_(title) {}
  bool read_block(uint32_t sector, uint8_t* out);
  std::optional<NavPack> nav_at(uint32_t sector);
  // The first VOBU start of the address map after `sector` inside the cell, or the cell's end.
  uint32_t next_mapped_vobu(uint32_t sector, const Cell& cell) const;
  std::optional<NavPack> first_nav(const Cell& cell);
  std::optional<int64_t> cell_offset(int cell);
  int64_t cell_start_ticks(int cell);

  const TitleSet& set_;
  const Title& title_;
  FilePtr file_;
  uint32_t file_blocks_ = 0;
  // Per cell, read on first use: the clock offset, and the cell's start in title ticks measured
  // from the stream itself (the IFO's BCD cell times may count NTSC at 30 frames a second).
  std::vector<std::optional<int64_t>> offsets_;
  std::vector<bool> offset_known_;
  std::vector<int64_t> starts_;  // filled for cells 0..starts_.size()-1
  std::vector<uint8_t> buffer_;
  int cell_ = 0;
  uint32_t sector_ = 0;  // next VOBU's navigation pack
  bool started_ = false;
  int skipped_ = 0;
};

}  // namespace dvd

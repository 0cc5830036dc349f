#include "dvd/title_block_reader.h"

#include <algorithm>
#include <cstdlib>

#include "dvd/dvd_time.h"

namespace dvd {
namespace {

// A VOBU longer than this is taken as a damaged navigation pack (real ones stay near 0.5 s,
// a few hundred blocks).
constexpr uint32_t kMaxVobuBlocks = 4096;

}  // namespace

std::unique_ptr<TitleBlockReader> TitleBlockReader::open(dvd_reader_t* reader, const TitleSet& set,
                                                         const Title& title, std::string* error) {
  std::unique_ptr<TitleBlockReader> r(new TitleBlockReader(set, title));
  r->file_.reset(DVDOpenFile(reader, set.number, DVD_READ_TITLE_VOBS));
  if (!r->file_) {
    if (error) *error = "the title's video files cannot be opened";
    return nullptr;
  }
  const ssize_t blocks = DVDFileSize(r->file_.get());
  r->file_blocks_ = blocks > 0 ? static_cast<uint32_t>(blocks) : 0;
  r->offsets_.resize(title.cells.size());
  r->offset_known_.resize(title.cells.size(), false);
  r->buffer_.resize(kBlockSize);
  if (!title.cells.empty()) r->sector_ = title.cells[0].first_sector;
  return r;
}

bool TitleBlockReader::read_block(uint32_t sector, uint8_t* out) {
  if (sector >= file_blocks_) return false;
  return DVDReadBlocks(file_.get(), static_cast<int>(sector), 1, out) == 1;
}

std::optional<NavPack> TitleBlockReader::nav_at(uint32_t sector) {
  uint8_t block[kBlockSize];
  if (!read_block(sector, block)) return std::nullopt;
  std::optional<NavPack> nav = read_nav_pack(block);
  // A navigation pack always knows its own address; one that does not is damaged.
  if (nav && nav->block != sector) return std::nullopt;
  return nav;
}

uint32_t TitleBlockReader::next_mapped_vobu(uint32_t sector, const Cell& cell) const {
  auto it = std::upper_bound(set_.vobu_starts.begin(), set_.vobu_starts.end(), sector);
  if (it == set_.vobu_starts.end() || *it > cell.last_sector) return cell.last_sector + 1;
  return *it;
}

std::optional<NavPack> TitleBlockReader::first_nav(const Cell& c) {
  uint32_t sector = c.first_sector;
  for (int tries = 0; tries < 16 && sector <= c.last_sector; ++tries) {
    if (std::optional<NavPack> nav = nav_at(sector)) return nav;
    sector = next_mapped_vobu(sector, c);
  }
  return std::nullopt;
}

int64_t TitleBlockReader::cell_start_ticks(int cell) {
  // Cells follow each other without a gap: a cell starts where the one before it stopped
  // presenting (its first VOBU's start to its last VOBU's end, in its own stamps).
  while (static_cast<int>(starts_.size()) <= cell) {
    const int k = static_cast<int>(starts_.size());
    if (k == 0) {
      starts_.push_back(0);
      continue;
    }
    const Cell& previous = title_.cells[k - 1];
    int64_t span = seconds_to_ticks(previous.duration_seconds);
    const std::optional<NavPack> first = first_nav(previous);
    const std::optional<NavPack> last = nav_at(previous.last_vobu_sector);
    if (first && last && last->end_ptm > first->start_ptm) {
      const int64_t measured = int64_t{last->end_ptm} - first->start_ptm;
      // Trusted unless it contradicts the IFO by more than a second (damaged navigation data).
      if (std::llabs(measured - span) < kTicksPerSecond || span == 0) span = measured;
    }
    starts_.push_back(starts_.back() + span);
  }
  return starts_[cell];
}

std::optional<int64_t> TitleBlockReader::cell_offset(int cell) {
  if (offset_known_[cell]) return offsets_[cell];
  offset_known_[cell] = true;
  const Cell& c = title_.cells[cell];
  if (const std::optional<NavPack> nav = first_nav(c))
    offsets_[cell] = cell_start_ticks(cell) + seconds_to_ticks(nav->cell_elapsed) - nav->start_ptm;
  return offsets_[cell];
}

bool TitleBlockReader::seek(double seconds) {
  if (title_.cells.empty() || seconds < 0) return false;
  if (seconds > 0 && seconds >= title_.duration_seconds) return false;
  // The title start is always the first cell, also when the IFO gives cells no duration.
  int cell = 0;
  while (seconds > 0 && cell + 1 < static_cast<int>(title_.cells.size()) &&
         title_.cells[cell + 1].start_seconds <= seconds)
    ++cell;
  const Cell& c = title_.cells[cell];
  cell_ = cell;
  sector_ = c.first_sector;
  started_ = true;
  const std::optional<int64_t> offset = cell_offset(cell);
  if (!offset) return true;  // nothing to aim at: the cell is read from its start
  const int64_t target = seconds_to_ticks(seconds) - *offset;  // in the cell's own stamps

  // Candidate VOBU starts of this cell, in address order.
  std::vector<uint32_t> starts;
  if (!c.angle_block) {
    auto lo = std::lower_bound(set_.vobu_starts.begin(), set_.vobu_starts.end(), c.first_sector);
    auto hi = std::upper_bound(lo, set_.vobu_starts.end(), c.last_sector);
    starts.assign(lo, hi);
  }
  if (!starts.empty()) {
    // Last VOBU whose first picture is not after the target; unreadable probes look later.
    size_t lo = 0, hi = starts.size();
    while (hi - lo > 1) {
      const size_t mid = (lo + hi) / 2;
      const std::optional<NavPack> nav = nav_at(starts[mid]);
      if (nav && nav->start_ptm <= target) lo = mid;
      else hi = mid;
    }
    sector_ = starts[lo > 0 ? lo - 1 : 0];
    return true;
  }
  // No address map for this cell: walk its navigation packs.
  uint32_t before = c.first_sector, found = c.first_sector, current = c.first_sector;
  while (current <= c.last_sector) {
    const std::optional<NavPack> nav = nav_at(current);
    if (!nav || nav->start_ptm > target) break;
    before = found;
    found = current;
    const uint32_t next = current + (nav->next_vobu & 0x7fffffff);
    if (nav->next_vobu == kEndOfCell || next <= current) break;
    current = next;
  }
  sector_ = before;
  return true;
}

std::optional<Vobu> TitleBlockReader::read() {
  const int cells = static_cast<int>(title_.cells.size());
  while (cell_ < cells) {
    const Cell& c = title_.cells[cell_];
    if (!started_) {
      sector_ = c.first_sector;
      started_ = true;
    }
    if (sector_ > c.last_sector || sector_ >= file_blocks_) {
      ++cell_;
      started_ = false;
      continue;
    }
    const uint32_t here = sector_;
    const std::optional<NavPack> nav = nav_at(here);
    const uint32_t mapped_next = next_mapped_vobu(here, c);
    if (!nav || nav->last_block >= kMaxVobuBlocks) {
      ++skipped_;
      sector_ = mapped_next;
      continue;
    }
    uint32_t blocks = std::min(nav->last_block + 1, c.last_sector - here + 1);
    blocks = std::min(blocks, file_blocks_ - here);
    buffer_.resize(static_cast<size_t>(blocks) * kBlockSize);
    const ssize_t got = DVDReadBlocks(file_.get(), static_cast<int>(here), blocks, buffer_.data());
    if (nav->next_vobu == kEndOfCell) {
      sector_ = c.last_sector + 1;
    } else {
      const uint32_t next = here + (nav->next_vobu & 0x7fffffff);
      sector_ = next > here ? next : mapped_next;
    }
    if (got <= 0) {
      ++skipped_;
      continue;
    }
    const std::optional<int64_t> offset = cell_offset(cell_);
    Vobu vobu;
    vobu.data = buffer_.data();
    vobu.size = static_cast<size_t>(got) * kBlockSize;
    vobu.cell = cell_;
    vobu.clock_offset = offset ? *offset : 0;
    return vobu;
  }
  return std::nullopt;
}

}  // namespace dvd

#include "dvd/disc.h"

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <system_error>

#include "dvd/dvd_time.h"

namespace dvd {
namespace {

namespace fs = std::filesystem;

constexpr size_t kMaxLogLines = 200;  // a badly broken disc can report every block

void log_to_vector(void* context, dvd_logger_level_t, const char* format, va_list args) {
  auto* lines = static_cast<std::vector<std::string>*>(context);
  if (lines->size() >= kMaxLogLines) return;
  char text[512];
  std::vsnprintf(text, sizeof text, format, args);
  lines->emplace_back(text);
}

const dvd_logger_cb kLogger{log_to_vector};

bool same_name(const std::string& a, const char* b) {
  return std::equal(a.begin(), a.end(), b, b + std::char_traits<char>::length(b),
                    [](char x, char y) { return std::toupper(static_cast<unsigned char>(x)) ==
                                                std::toupper(static_cast<unsigned char>(y)); });
}

bool has_video_ts_child(const fs::path& folder) {
  std::error_code ec;
  for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec))
    if (same_name(it->path().filename().string(), "VIDEO_TS") && it->is_directory(ec)) return true;
  return false;
}

int stream_id_for(AudioFormat format, int substream) {
  switch (format) {
    case AudioFormat::Ac3: return 0x80 + (substream & 7);
    case AudioFormat::Dts: return 0x88 + (substream & 7);
    case AudioFormat::Lpcm: return 0xa0 + (substream & 7);
    case AudioFormat::Mpeg1:
    case AudioFormat::Mpeg2: return 0x1c0 + (substream & 7);
    case AudioFormat::Unknown: break;
  }
  return -1;
}

// Program chain `pgcn` (from 1) of the set, or nullptr when the IFO does not hold it.
const pgc_t* program_chain(const ifo_handle_t& ifo, int pgcn) {
  const pgcit_t* table = ifo.vts_pgcit;
  if (!table || !table->pgci_srp || pgcn < 1 || pgcn > table->nr_of_pgci_srp) return nullptr;
  const pgc_t* pgc = table->pgci_srp[pgcn - 1].pgc;
  if (!pgc || !pgc->program_map || !pgc->cell_playback || pgc->nr_of_cells == 0) return nullptr;
  return pgc;
}

bool is_other_angle(const cell_playback_t& cell) {
  return cell.block_type == BLOCK_TYPE_ANGLE_BLOCK && cell.block_mode != BLOCK_MODE_FIRST_CELL;
}

void read_streams(const ifo_handle_t& ifo, const pgc_t& pgc, bool wide, Title& title) {
  const vtsi_mat_t& mat = *ifo.vtsi_mat;
  const int audio_streams = std::min<int>(mat.nr_of_vts_audio_streams, 8);
  for (int i = 0; i < audio_streams; ++i) {
    const uint16_t control = pgc.audio_control[i];
    if (!(control & 0x8000)) continue;
    const audio_attr_t& attr = mat.vts_audio_attr[i];
    AudioTrack track;
    track.format = audio_format_from_ifo(attr.audio_format);
    track.stream_id = stream_id_for(track.format, (control >> 8) & 0x7f);
    track.channels = attr.channels + 1;
    track.sample_rate = attr.sample_frequency == 1 ? 96000 : 48000;
    track.name = audio_track_name(attr.lang_code, track.format, track.channels);
    title.audio.push_back(track);
  }
  const int subtitle_streams = std::min<int>(mat.nr_of_vts_subp_streams, 32);
  for (int i = 0; i < subtitle_streams; ++i) {
    const uint32_t control = pgc.subp_control[i];
    if (!(control & 0x80000000u)) continue;
    const int id = static_cast<int>(wide ? (control >> 16) & 0x1f : (control >> 24) & 0x1f);
    title.subtitles.push_back({0x20 + id, subtitle_stream_name(mat.vts_subp_attr[i].lang_code)});
  }
  // pgc_t is packed: std::begin/std::end would each bind to a temporary copy of the array.
  std::memcpy(title.palette.data(), pgc.palette, sizeof pgc.palette);
}

// Builds title `ttn` (from 1) of the set from its chapter pointers; false when the structure is
// broken or the title has no cells.
bool read_title(const ifo_handle_t& ifo, int ttn, bool wide, std::vector<std::string>& log,
                Title& title) {
  const ttu_t& unit = ifo.vts_ptt_srpt->title[ttn - 1];
  if (!unit.ptt || unit.nr_of_ptts == 0) {
    log.push_back("title " + std::to_string(ttn) + " has no chapters");
    return false;
  }
  title.vts_ttn = ttn;
  double clock = 0;
  for (int c = 0; c < unit.nr_of_ptts; ++c) {
    const ptt_info_t& part = unit.ptt[c];
    const pgc_t* pgc = program_chain(ifo, part.pgcn);
    if (!pgc || part.pgn < 1 || part.pgn > pgc->nr_of_programs) {
      log.push_back("title " + std::to_string(ttn) + " chapter " + std::to_string(c + 1) +
                    " points outside its program chains");
      return false;
    }
    if (c == 0) read_streams(ifo, *pgc, wide, title);
    const int first_cell = pgc->program_map[part.pgn - 1];
    const int last_cell =
        part.pgn < pgc->nr_of_programs ? pgc->program_map[part.pgn] - 1 : pgc->nr_of_cells;
    if (first_cell < 1 || last_cell > pgc->nr_of_cells || first_cell > last_cell) {
      log.push_back("title " + std::to_string(ttn) + " chapter " + std::to_string(c + 1) +
                    " has an invalid cell range");
      return false;
    }
    ChapterSpan chapter{clock, clock};
    for (int n = first_cell; n <= last_cell; ++n) {
      const cell_playback_t& playback = pgc->cell_playback[n - 1];
      if (is_other_angle(playback)) continue;
      if (playback.first_sector > playback.last_sector) {
        log.push_back("title " + std::to_string(ttn) + " cell " + std::to_string(n) +
                      " ends before it starts");
        continue;
      }
      const dvd_time_t& t = playback.playback_time;
      Cell cell{playback.first_sector, playback.last_sector, playback.last_vobu_start_sector, clock,
                bcd_time_seconds(t.hour, t.minute, t.second, t.frame_u),
                playback.block_type == BLOCK_TYPE_ANGLE_BLOCK};
      clock += cell.duration_seconds;
      title.cells.push_back(cell);
    }
    chapter.end_seconds = clock;
    title.chapters.push_back(chapter);
  }
  title.duration_seconds = clock;
  return !title.cells.empty();
}

void read_title_set(dvd_reader_t* reader, int number, std::vector<std::string>& log,
                    TitleSet& set) {
  set.number = number;
  IfoPtr ifo(ifoOpen(reader, number));
  if (!ifo || !ifo->vtsi_mat || !ifo->vts_ptt_srpt || !ifo->vts_ptt_srpt->title ||
      !ifo->vts_pgcit) {
    log.push_back("title set " + std::to_string(number) + " cannot be read");
    return;
  }
  const video_attr_t& video = ifo->vtsi_mat->vts_video_attr;
  set.ntsc = video.video_format == 0;
  set.frame_rate = set.ntsc ? AVRational{30000, 1001} : AVRational{25, 1};
  set.display_aspect = video.display_aspect_ratio == 3 ? AVRational{16, 9} : AVRational{4, 3};
  static constexpr int kWidths[4] = {720, 704, 352, 352};
  set.width = kWidths[video.picture_size & 3];
  set.height = set.ntsc ? 480 : 576;
  if (video.picture_size == 3) set.height /= 2;
  if (const vobu_admap_t* map = ifo->vts_vobu_admap;
      map && map->vobu_start_sectors && map->last_byte + 1 >= VOBU_ADMAP_SIZE) {
    const size_t count = (map->last_byte + 1 - VOBU_ADMAP_SIZE) / 4;
    set.vobu_starts.assign(map->vobu_start_sectors, map->vobu_start_sectors + count);
    std::sort(set.vobu_starts.begin(), set.vobu_starts.end());
  }
  const bool wide = video.display_aspect_ratio == 3;
  for (int ttn = 1; ttn <= ifo->vts_ptt_srpt->nr_of_srpts; ++ttn) {
    Title title;
    if (read_title(*ifo, ttn, wide, log, title)) set.titles.push_back(std::move(title));
  }
}

}  // namespace

std::string disc_root_path(const std::string& folder, std::string* error) {
  std::string path = folder;
  while (path.size() > 1 && (path.back() == '/' || path.back() == '\\')) path.pop_back();
  std::error_code ec;
  const fs::path p(path);
  if (path.empty() || !fs::exists(p, ec)) {
    if (error) *error = "the disc folder does not exist";
    return {};
  }
  if (fs::is_regular_file(p, ec)) return path;  // an image; libdvdread checks its contents
  if (same_name(p.filename().string(), "VIDEO_TS"))
    return p.has_parent_path() ? p.parent_path().string() : std::string(".");
  if (has_video_ts_child(p)) return path;
  if (error) *error = "no VIDEO_TS folder";
  return {};
}

std::unique_ptr<Disc> Disc::open(const std::string& folder, std::string* error) {
  std::string reason;
  const std::string root = disc_root_path(folder, &reason);
  if (root.empty()) {
    if (error) *error = reason;
    return nullptr;
  }
  std::unique_ptr<Disc> disc(new Disc);
  disc->reader_.reset(DVDOpen2(disc->log_.get(), &kLogger, root.c_str()));
  if (!disc->reader_) {
    if (error) *error = "the disc cannot be opened";
    return nullptr;
  }
  IfoPtr vmg(ifoOpen(disc->reader_.get(), 0));
  if (!vmg || !vmg->vmgi_mat) {
    if (error) *error = "VIDEO_TS.IFO cannot be read";
    return nullptr;
  }
  const int sets = std::min<int>(vmg->vmgi_mat->vmg_nr_of_title_sets, 99);
  disc->title_sets_.resize(sets);
  for (int i = 0; i < sets; ++i)
    read_title_set(disc->reader_.get(), i + 1, *disc->log_, disc->title_sets_[i]);
  return disc;
}

}  // namespace dvd

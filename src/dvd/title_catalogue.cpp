#include "dvd/title_catalogue.h"

#include <algorithm>
#include <cstring>

#include "dvd/dvd_reader_api.h"

namespace {

constexpr int kNameSlots = 32;
constexpr size_t kSlotSize = 32;

void copy_name(char (&slot)[kSlotSize], const char* text) {
  const size_t length = text ? std::min(std::strlen(text), kSlotSize - 1) : 0;
  if (length) std::memcpy(slot, text, length);
  slot[length] = '\0';
}

}  // namespace

void load_title_set_catalogue(TitleTable& table) {
  // Built aside and moved in whole, so the caller never sees a half-built table.
  TitleTable built;
  const int titles = std::max(v_vorbisfile_tell_instance_reference_func(), 0);
  built.titles.resize(titles);
  for (int t = 0; t < titles; ++t) {
    TitleInfo& info = built.titles[t];
    info.chapter_count = std::max(v_vorbisfile_encode_setup_vbr_func(t), 0);
    info.chapters.resize(info.chapter_count);
    for (int c = 0; c < info.chapter_count; ++c)
      v_vorbisfile_add_comment_func(t, c, &info.chapters[c].start_seconds,
                                    &info.chapters[c].end_seconds);
    info.duration_seconds = v_vorbisfile_tell_stream_len_func(t);
    // The record has room for 32 audio names and 31 subtitle names; further streams are left out.
    info.audio_count = std::clamp(v_vorbisfile_bitrate_addblock_func(t), 0, kNameSlots);
    for (int a = 0; a < info.audio_count; ++a)
      copy_name(info.audio_names[a], v_vorbisfile_query_func(t, a));
    info.subtitle_count = std::clamp(v_vorbisfile_tell_stream_uid_func(t), 0, kNameSlots - 1);
    copy_name(info.subtitle_names[0], "Exclude Subtitle");
    for (int s = 0; s < info.subtitle_count; ++s)
      copy_name(info.subtitle_names[s + 1], v_vorbisfile_packet_blocksize_func(t, s));
  }
  built.title_count = titles;
  table = std::move(built);
}

void release_title_table(TitleTable& table) {
  table.titles.clear();
  table.titles.shrink_to_fit();
  table.title_count = 0;
}

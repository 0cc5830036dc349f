// The short-lived catalogue of one title set, filled from the DVD reader library while a disc is
// being opened and handed to the source list, then released before the next title set.
#pragma once

#include <cstdint>
#include <vector>

struct ChapterSpan {
  double start_seconds = 0;  // from the start of the title
  double end_seconds = 0;
};

// One title of the current title set. Names are NUL-terminated and cut to 31 characters; streams
// beyond the slots are left out (at most 32 audio names, 31 subtitle names after slot 0).
struct TitleInfo {
  int32_t chapter_count = 0;
  std::vector<ChapterSpan> chapters;
  double duration_seconds = 0;
  int32_t audio_count = 0;
  char audio_names[32][32] = {};
  int32_t subtitle_count = 0;
  char subtitle_names[32][32] = {};  // slot 0 always "Exclude Subtitle"
};

struct TitleTable {
  int32_t title_count = 0;
  std::vector<TitleInfo> titles;  // title t is title t of the set for every later library call
};

// Fills `table` for the title set that is current in the DVD reader library.
void load_title_set_catalogue(TitleTable& table);

// Frees every title's chapters and the titles; the count becomes 0.
void release_title_table(TitleTable& table);

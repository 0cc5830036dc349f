// The catalogue of each generated disc, read through the reader library's entry points, against
// what the discs were authored with (tests/data/README.md); and discs it must refuse.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "dvd/disc.h"
#include "dvd/dvd_reader_api.h"
#include "dvd/title_decoder.h"
#include "dvd/title_catalogue.h"
#include "dvd_test_discs.h"

namespace {

namespace fs = std::filesystem;

constexpr double kNtscFrame = 1001.0 / 30000;

std::vector<TitleTable> catalogue_of(const std::string& folder) {
  std::vector<TitleTable> sets;
  v_vorbisfile_open_func(folder.c_str(), 0, 0);
  const int count = v_vorbisfile_get_pin_func();
  for (int i = 0; i < count; ++i) {
    v_vorbisfile_connect_pin_func(i);
    TitleTable table;
    load_title_set_catalogue(table);
    sets.push_back(std::move(table));
  }
  return sets;
}

TEST(DiscCatalogue, NtscDiscListsTitlesChaptersAndAudio) {
  const std::vector<TitleTable> sets = catalogue_of(dvd_test::disc("ntsc_4x3"));
  ASSERT_EQ(sets.size(), 1u);
  const TitleTable& table = sets[0];
  ASSERT_EQ(table.title_count, 2);
  ASSERT_EQ(table.titles.size(), 2u);
  const TitleInfo& t1 = table.titles[0];
  ASSERT_EQ(t1.chapter_count, 3);
  const double starts[] = {0, 120 * kNtscFrame, 240 * kNtscFrame};
  for (int c = 0; c < 3; ++c) {
    EXPECT_NEAR(t1.chapters[c].start_seconds, starts[c], kNtscFrame) << "chapter " << c;
    EXPECT_NEAR(t1.chapters[c].end_seconds, starts[c] + 120 * kNtscFrame, kNtscFrame);
  }
  EXPECT_NEAR(t1.duration_seconds, 360 * kNtscFrame, kNtscFrame);
  ASSERT_EQ(t1.audio_count, 2);
  EXPECT_STREQ(t1.audio_names[0], "English AC3 2ch");
  EXPECT_STREQ(t1.audio_names[1], "Francais MPEG 2ch");
  EXPECT_EQ(t1.subtitle_count, 0);
  EXPECT_STREQ(t1.subtitle_names[0], "Exclude Subtitle");
  // The half-second title is listed; leaving it out is the source list's decision.
  EXPECT_NEAR(table.titles[1].duration_seconds, 15 * kNtscFrame, kNtscFrame);
  EXPECT_EQ(table.titles[1].chapter_count, 1);
}

TEST(DiscCatalogue, PalDiscListsSubtitles) {
  const std::vector<TitleTable> sets = catalogue_of(dvd_test::disc("pal_16x9_subs"));
  ASSERT_EQ(sets.size(), 1u);
  ASSERT_EQ(sets[0].title_count, 1);
  const TitleInfo& t = sets[0].titles[0];
  ASSERT_EQ(t.chapter_count, 2);
  EXPECT_NEAR(t.chapters[1].start_seconds, 4.0, 0.04);
  EXPECT_NEAR(t.duration_seconds, 8.0, 0.04);
  ASSERT_EQ(t.audio_count, 1);
  EXPECT_STREQ(t.audio_names[0], "Deutsch AC3 2ch");
  ASSERT_EQ(t.subtitle_count, 2);
  EXPECT_STREQ(t.subtitle_names[0], "Exclude Subtitle");
  EXPECT_STREQ(t.subtitle_names[1], "English");
  EXPECT_STREQ(t.subtitle_names[2], "Francais");
}

TEST(DiscCatalogue, TitleSetsKeepTheirOwnTitles) {
  const std::vector<TitleTable> sets = catalogue_of(dvd_test::disc("two_sets"));
  ASSERT_EQ(sets.size(), 2u);
  ASSERT_EQ(sets[0].title_count, 1);
  EXPECT_NEAR(sets[0].titles[0].duration_seconds, 150 * kNtscFrame, kNtscFrame);
  ASSERT_EQ(sets[1].title_count, 2);
  EXPECT_NEAR(sets[1].titles[0].duration_seconds, 270 * kNtscFrame, kNtscFrame);
  EXPECT_NEAR(sets[1].titles[1].duration_seconds, 90 * kNtscFrame, kNtscFrame);
  EXPECT_EQ(sets[1].titles[0].audio_count, 1);
  EXPECT_EQ(sets[1].titles[1].audio_count, 0);  // its PGC marks no track available
}

TEST(DiscCatalogue, MultiVobTitleHasOneChapterPerSegment) {
  const std::vector<TitleTable> sets = catalogue_of(dvd_test::disc("multi_vob"));
  ASSERT_EQ(sets.size(), 1u);
  ASSERT_EQ(sets[0].title_count, 1);
  const TitleInfo& t = sets[0].titles[0];
  ASSERT_EQ(t.chapter_count, 3);
  EXPECT_NEAR(t.chapters[2].start_seconds, 300 * kNtscFrame, kNtscFrame);
  EXPECT_NEAR(t.duration_seconds, 450 * kNtscFrame, kNtscFrame);
}

TEST(DiscCatalogue, AcceptsTheVideoTsFolderAndTrailingSeparators) {
  const std::string root = dvd_test::disc("two_sets");
  for (const std::string& folder : {root + "/", root + "/VIDEO_TS", root + "/VIDEO_TS/",
                                    root + "\\"}) {
    EXPECT_EQ(catalogue_of(folder).size(), 2u) << folder;
  }
}

TEST(DiscCatalogue, ReadsAnIsoImage) {
  if (std::system("command -v genisoimage >/dev/null 2>&1") != 0) GTEST_SKIP() << "genisoimage is not installed";
  const fs::path image = fs::temp_directory_path() / "dorvane-two-sets.iso";
  const std::string command = "genisoimage -quiet -dvd-video -V TWO_SETS -o '" + image.string() +
                              "' '" + dvd_test::disc("two_sets") + "'";
  ASSERT_EQ(std::system(command.c_str()), 0);
  const std::vector<TitleTable> sets = catalogue_of(image.string());
  dvd::TitleRequest request;
  request.folder = image.string();
  request.title_set = 1;
  request.start_seconds = 2;
  std::string error;
  std::unique_ptr<dvd::TitleDecoder> decoder = dvd::open_title_decoder(request, &error);
  ASSERT_TRUE(decoder) << error;
  const dvd_test::Decoded decoded = dvd_test::decode_all(*decoder, 2);
  fs::remove(image);
  ASSERT_EQ(decoded.picture_levels.size(), 2u);
  EXPECT_NEAR(decoded.picture_levels[1], 16 + 6 * 2, 3);  // second 2 of the title
  ASSERT_EQ(sets.size(), 2u);
  ASSERT_EQ(sets[1].title_count, 2);
  EXPECT_NEAR(sets[1].titles[0].duration_seconds, 270 * kNtscFrame, kNtscFrame);
}

TEST(DiscCatalogue, OutOfRangeQueriesGiveEmptyAnswers) {
  v_vorbisfile_open_func(dvd_test::disc("ntsc_4x3").c_str(), 0, 0);
  EXPECT_EQ(v_vorbisfile_connect_pin_func(5), 0);
  EXPECT_EQ(v_vorbisfile_tell_instance_reference_func(), 0);
  ASSERT_EQ(v_vorbisfile_connect_pin_func(0), 1);
  double start = -1, end = -1;
  EXPECT_EQ(v_vorbisfile_add_comment_func(0, 3, &start, &end), 0);
  EXPECT_EQ(start, 0.0);
  EXPECT_EQ(end, 0.0);
  EXPECT_EQ(v_vorbisfile_encode_setup_vbr_func(-1), 0);
  EXPECT_EQ(v_vorbisfile_tell_stream_len_func(7), 0.0);
  EXPECT_STREQ(v_vorbisfile_query_func(0, 2), "");
  EXPECT_STREQ(v_vorbisfile_packet_blocksize_func(0, 0), "");
}

void truncate_file(const fs::path& path, uintmax_t size) {
  ASSERT_TRUE(fs::exists(path)) << path;
  fs::resize_file(path, size);
}

TEST(DiscCatalogue, BrokenDiscsGiveEmptyCatalogues) {
  {  // a folder without VIDEO_TS
    const fs::path empty = fs::temp_directory_path() / "dorvane-no-video-ts";
    fs::create_directories(empty);
    EXPECT_EQ(v_vorbisfile_open_func(empty.c_str(), 0, 0), 0);
    EXPECT_EQ(v_vorbisfile_get_pin_func(), 0);
    fs::remove_all(empty);
  }
  EXPECT_EQ(v_vorbisfile_open_func("/nonexistent/dorvane/disc", 0, 0), 0);
  EXPECT_EQ(v_vorbisfile_get_pin_func(), 0);
  {  // the disc's table of title sets is cut, in the file and its backup
    dvd_test::DiscCopy copy("two_sets");
    truncate_file(copy.video_ts() / "VIDEO_TS.IFO", 100);
    truncate_file(copy.video_ts() / "VIDEO_TS.BUP", 100);
    EXPECT_TRUE(catalogue_of(copy.folder()).empty());
  }
  {  // one title set's IFO is cut: that set has no titles, the other is whole
    dvd_test::DiscCopy copy("two_sets");
    truncate_file(copy.video_ts() / "VTS_02_0.IFO", 300);
    truncate_file(copy.video_ts() / "VTS_02_0.BUP", 300);
    const std::vector<TitleTable> sets = catalogue_of(copy.folder());
    ASSERT_EQ(sets.size(), 2u);
    EXPECT_EQ(sets[0].title_count, 1);
    EXPECT_EQ(sets[1].title_count, 0);
  }
  {  // only the IFO is cut: its backup is read instead and nothing is lost
    dvd_test::DiscCopy copy("two_sets");
    truncate_file(copy.video_ts() / "VTS_02_0.IFO", 300);
    const std::vector<TitleTable> sets = catalogue_of(copy.folder());
    ASSERT_EQ(sets.size(), 2u);
    EXPECT_EQ(sets[1].title_count, 2);
  }
}

// Random bytes in the title set's IFO and its backup: whatever survives must be consistent, and
// decoding what is listed must end, never crash (run under the sanitizer to catch overruns).
TEST(DiscCatalogue, CorruptedIfoGivesAConsistentCatalogue) {
  std::mt19937 random(5);
  for (int round = 0; round < 8; ++round) {
    dvd_test::DiscCopy copy("ntsc_4x3");
    for (const char* name : {"VTS_01_0.IFO", "VTS_01_0.BUP"}) {
      const fs::path path = copy.video_ts() / name;
      const uintmax_t size = std::min<uintmax_t>(fs::file_size(path), 4096);
      std::fstream file(path, std::ios::in | std::ios::out | std::ios::binary);
      for (int k = 0; k < 60; ++k) {
        file.seekp(static_cast<std::streamoff>(random() % size));
        const char byte = static_cast<char>(random());
        file.write(&byte, 1);
      }
    }
    std::string error;
    std::unique_ptr<dvd::Disc> disc = dvd::Disc::open(copy.folder(), &error);
    ASSERT_TRUE(disc) << error;  // the disc's own table is intact
    for (int s = 0; s < disc->title_set_count(); ++s) {
      for (const dvd::Title& title : disc->title_set(s).titles) {
        EXPECT_FALSE(title.cells.empty());
        for (const ChapterSpan& chapter : title.chapters)
          EXPECT_LE(chapter.start_seconds, chapter.end_seconds);
        for (const dvd::AudioTrack& track : title.audio) EXPECT_LE(track.name.size(), 31u);
      }
    }
    dvd::TitleRequest request;
    request.folder = copy.folder();
    std::unique_ptr<dvd::TitleDecoder> decoder = dvd::open_title_decoder(request, &error);
    if (!decoder) continue;
    int units = 0;
    for (dvd::DecodedUnit unit = decoder->next(); unit.kind == dvd::DecodedUnit::Kind::Picture ||
                                                  unit.kind == dvd::DecodedUnit::Kind::Sound;
         unit = decoder->next())
      ASSERT_LT(++units, 5000) << "round " << round << " does not end";
  }
}

TEST(TitleTableRelease, EmptiesTheTable) {
  v_vorbisfile_open_func(dvd_test::disc("ntsc_4x3").c_str(), 0, 0);
  v_vorbisfile_connect_pin_func(0);
  TitleTable table;
  load_title_set_catalogue(table);
  ASSERT_EQ(table.title_count, 2);
  release_title_table(table);
  EXPECT_EQ(table.title_count, 0);
  EXPECT_TRUE(table.titles.empty());
}

}  // namespace

// The catalogue reader that opening a disc walks, over the disc structures read through
// libdvdread. A disc that cannot be read has no title sets, so the source list stays empty.
#include <algorithm>
#include <cstdio>
#include <memory>

#include "dvd/disc.h"
#include "dvd/open_disc.h"

namespace {

void copy_name(char (&slot)[32], const std::string& name) { std::snprintf(slot, sizeof slot, "%s", name.c_str()); }

class DiscCatalogue final : public DiscCatalogueReader {
 public:
  void open(const std::string& folder) override {
    std::string error;
    disc_ = dvd::Disc::open(folder, &error);
    current_ = -1;
  }
  int title_set_count() override { return disc_ ? disc_->title_set_count() : 0; }
  void connect_title_set(int index) override { current_ = index; }
  void load_catalogue(TitleTable& table) override {
    table = TitleTable{};
    if (!disc_ || current_ < 0 || current_ >= disc_->title_set_count()) return;
    const dvd::TitleSet& set = disc_->title_set(current_);
    for (const dvd::Title& title : set.titles) {
      TitleInfo info;
      info.chapters = title.chapters;
      info.chapter_count = static_cast<int32_t>(info.chapters.size());
      info.duration_seconds = title.duration_seconds;
      // The record has 32 audio slots and 31 subtitle slots after "Exclude Subtitle".
      info.audio_count = static_cast<int32_t>(std::min<size_t>(title.audio.size(), 32));
      for (int a = 0; a < info.audio_count; ++a) copy_name(info.audio_names[a], title.audio[static_cast<size_t>(a)].name);
      info.subtitle_count = static_cast<int32_t>(std::min<size_t>(title.subtitles.size(), 31));
      copy_name(info.subtitle_names[0], "Exclude Subtitle");
      for (int s = 0; s < info.subtitle_count; ++s)
        copy_name(info.subtitle_names[s + 1], title.subtitles[static_cast<size_t>(s)].name);
      table.titles.push_back(std::move(info));
    }
    table.title_count = static_cast<int32_t>(table.titles.size());
  }

 private:
  std::unique_ptr<dvd::Disc> disc_;
  int current_ = -1;
};

}  // namespace

DiscCatalogueReader& reader_library_catalogue() {
  static DiscCatalogue catalogue;
  return catalogue;
}

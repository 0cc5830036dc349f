// The catalogue reader that opening a disc walks: the DVD reader library's entry points. A disc
// that cannot be read has no title sets, so the source list stays empty.
#include "dvd/dvd_reader_api.h"
#include "dvd/open_disc.h"

namespace {

class ReaderLibraryCatalogue final : public DiscCatalogueReader {
 public:
  void open(const std::string& folder) override { (void)v_vorbisfile_open_func(folder.c_str(), 0, 0); }
  int title_set_count() override { return v_vorbisfile_get_pin_func(); }
  void connect_title_set(int index) override { (void)v_vorbisfile_connect_pin_func(index); }
  void load_catalogue(TitleTable& table) override { load_title_set_catalogue(table); }
};

}  // namespace

DiscCatalogueReader& reader_library_catalogue() {
  static ReaderLibraryCatalogue catalogue;
  return catalogue;
}

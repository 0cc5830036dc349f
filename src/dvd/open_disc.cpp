#include "dvd/open_disc.h"

#include <cctype>
#include <cstdio>
#include <optional>

#include "dvd/source_list.h"
#include "platform/system_services.h"

std::string with_trailing_slash(const std::string& path) {
  if (!path.empty() && path.back() == '/') return path;
  return path + "/";
}

std::string title_set_ifo_path(const std::string& folder, int set_number) {
  char name[32];
  std::snprintf(name, sizeof name, "vts_%02d_0.ifo", set_number);
  return folder + name;
}

namespace {

// Closes the loading notice on every way out of the load.
class LoadingNotice {
 public:
  explicit LoadingNotice(OpenDiscHost& host) : host_(host) { host_.ShowLoadingNotice(); }
  ~LoadingNotice() { host_.CloseLoadingNotice(); }
  LoadingNotice(const LoadingNotice&) = delete;
  LoadingNotice& operator=(const LoadingNotice&) = delete;

 private:
  OpenDiscHost& host_;
};

}  // namespace

OpenDiscResult open_disc(SourceList& list, platform::FolderPicker& picker, OpenDiscHost& host,
                         platform::SystemServices& services, DiscCatalogueReader& reader) {
  list.forget_longest_title();
  const std::optional<std::string> chosen = picker.choose_folder(kOpenDiscTitle, "");
  if (!chosen) return OpenDiscResult::Cancelled;
  const std::string folder = with_trailing_slash(*chosen);
  // The folder browser gives absolute paths; anything else has no volume to ask about.
  if (folder.front() != '/') {
    host.ShowMessageBox(kInvalidPathText, "Information", kMbInformation);
    return OpenDiscResult::InvalidPath;
  }
  const std::optional<std::string> volume = services.volume_label(folder);
  if (!volume) {
    host.ShowMessageBox(kNoDiscText, "Information", kMbInformation);
    return OpenDiscResult::NoDisc;
  }
  // A volume without label never equals the recorded "unknow", so it loads afresh every time.
  // Many discs can share one labelled hard disk, so the same label in another folder reloads.
  std::string label = *volume;
  while (!label.empty() && std::isspace(static_cast<unsigned char>(label.back()))) label.pop_back();
  if (!list.disc_label.empty() && label == list.disc_label && folder == list.disc_folder)
    return OpenDiscResult::AlreadyLoaded;

  list.clear_source_list();
  LoadingNotice notice(host);
  list.disc_folder = folder;
  reader.open(folder);
  const int sets = reader.title_set_count();
  for (int i = 0; i < sets; ++i) {
    reader.connect_title_set(i);
    TitleTable table;
    reader.load_catalogue(table);
    list.add_title_set(table, title_set_ifo_path(folder, i + 1), i + 1);
  }  // each set's table is released before the next one is read
  return OpenDiscResult::Loaded;
}

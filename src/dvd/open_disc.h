// The Open button's work: let the user pick a disc folder, check its volume against the loaded
// disc, and load every title set into the source list through the DVD reader library.
// Runs on the user-interface thread without pumping, behind the loading notice.
#pragma once

#include <string>

#include "dvd/open_disc_host.h"
#include "dvd/title_catalogue.h"

namespace platform {
class FolderPicker;
class SystemServices;
}  // namespace platform
class SourceList;

inline constexpr const char* kOpenDiscTitle = "Open DVD Movie from DVD ROM or hard disk";
inline constexpr const char* kInvalidPathText = "Invalid path or movie";
inline constexpr const char* kNoDiscText = "Please close the DVD-Rom.";

// The DVD reader library as the loading walks it. Tests replace it with a made-up catalogue.
class DiscCatalogueReader {
 public:
  virtual ~DiscCatalogueReader() = default;
  virtual void open(const std::string& folder) = 0;  // the library reports nothing
  virtual int title_set_count() = 0;
  virtual void connect_title_set(int index) = 0;  // from 0
  virtual void load_catalogue(TitleTable& table) = 0;  // of the connected title set
};

// The reader library's own entry points.
DiscCatalogueReader& reader_library_catalogue();

enum class OpenDiscResult {
  Cancelled,      // no folder chosen; nothing changed
  InvalidPath,    // not an absolute path; told the user
  NoDisc,         // the volume query failed; told the user
  AlreadyLoaded,  // same label and same folder as the loaded disc; nothing changed
  Loaded,         // the source list holds the disc (possibly no rows when it has no titles)
};

// Appends '/' when missing.
std::string with_trailing_slash(const std::string& path);

// "vts_%02d_0.ifo" of set_number (from 1) after the folder (which ends in '/').
std::string title_set_ifo_path(const std::string& folder, int set_number);

OpenDiscResult open_disc(SourceList& list, platform::FolderPicker& picker, OpenDiscHost& host,
                         platform::SystemServices& services, DiscCatalogueReader& reader);

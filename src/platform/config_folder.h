// Where Dorvane keeps its settings ("Option.ini"), its registry store and the frame server's
// script file: $DORVANE_HOME when set (tests point it at a temporary folder), else
// $XDG_CONFIG_HOME/dorvane, else ~/.config/dorvane.
#pragma once

#include <string>

namespace platform {

// The folder's path, without a trailing '/'. Not created here.
std::string config_folder();

// Creates the folder and its parents when missing. False when it cannot be created.
bool ensure_config_folder();

// Replaces `path` with `contents` atomically: a temporary file in the same folder, flushed, then
// renamed over the target, so a reader sees the old file or the new one and never half of one.
// False (and the old file untouched) on any failure.
bool write_file_atomically(const std::string& path, const std::string& contents);

}  // namespace platform

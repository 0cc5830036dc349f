// The registry of host-installed input readers, keyed by file-name extension.
#pragma once

#include <string_view>

#include "iPod/engine.h"

// The reader for `filename` (extension compared without regard to case), or nullptr.
const InputReader* find_input_reader(std::string_view filename);

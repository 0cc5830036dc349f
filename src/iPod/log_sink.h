// The engine's log sink. Engine levels: 0 errors (written with "A>"), 1 information, 2 details,
// 3 debugging. The sink's level starts at 2, is set by -v and keeps its value between runs.
#pragma once

#include <cstdarg>

#include "iPod/engine_internal.h"

// Engine level of a library (av_log) level.
int engine_level_of_library_level(int av_level);

// Installed with av_log_set_callback: maps the library's level and forwards to engine_vlog.
void engine_library_log_callback(void* context, int av_level, const char* format, va_list args);

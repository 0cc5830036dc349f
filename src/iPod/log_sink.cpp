#include "iPod/log_sink.h"

#include <cstdio>
#include <cstring>
#include <mutex>

#include "iPod/engine_settings.h"

extern "C" {
#include <libavutil/log.h>
}

namespace {
// Library messages also arrive from other threads (the frame server decodes ahead on its own), so
// the line state and the writing of one message are guarded together.
std::mutex g_sink_mutex;
bool g_line_ended = true;
}  // namespace

// Errors keep their level; warnings and information are information; the libraries' verbose and
// debugging chatter only shows from -v 3 on.
int engine_level_of_library_level(int av_level) {
  if (av_level <= AV_LOG_ERROR) return 0;
  if (av_level <= AV_LOG_INFO) return 1;
  return 3;
}

void engine_vlog(void* context, int level, const char* format, va_list args) {
  if (level > engine_log_level) return;
  const std::lock_guard<std::mutex> lock(g_sink_mutex);
  if (level == 0) std::fputs("A>", stderr);
  if (g_line_ended && context) {
    const AVClass* cls = *static_cast<AVClass**>(context);
    if (cls && cls->item_name) std::fprintf(stderr, "[%s @ %p]", cls->item_name(context), context);
  }
  g_line_ended = std::strchr(format, '\n') != nullptr;
  std::vfprintf(stderr, format, args);
}

void engine_log(void* context, int level, const char* format, ...) {
  va_list args;
  va_start(args, format);
  engine_vlog(context, level, format, args);
  va_end(args);
}

void engine_library_log_callback(void* context, int av_level, const char* format, va_list args) {
  engine_vlog(context, engine_level_of_library_level(av_level), format, args);
}

#include "frameserver/frame_server.h"

#include <sys/stat.h>

#include <exception>

#include "frameserver/served_input.h"
#include "iPod/engine.h"

namespace frameserver {
namespace {

constexpr const char* kScriptExtension = ".avs";

int reader_open(const char* filename, AVFormatContext** out, void*) {
  try {  // a C-style hook: a failure (no memory, no thread) is an error code, never an exception
    return open_frame_server_input(filename, out);
  } catch (const std::exception& e) {
    av_log(nullptr, AV_LOG_ERROR, "frame server: %s\n", e.what());
    *out = nullptr;
    return AVERROR(ENOMEM);
  }
}
void reader_close(AVFormatContext* context, void*) { close_frame_server_input(context); }

}  // namespace

int open_frame_server_input(const char* script_path, AVFormatContext** out) {
  *out = nullptr;
  // The script itself is empty; its presence says a job prepared the parameters.
  struct stat st {};
  if (!script_path || ::stat(script_path, &st) != 0 || !S_ISREG(st.st_mode)) {
    av_log(nullptr, AV_LOG_ERROR, "frame server: no script file '%s'\n", script_path ? script_path : "");
    return AVERROR(ENOENT);
  }
  return open_served_input(read_server_parameters(), &dvd::open_title_decoder, out);
}

void close_frame_server_input(AVFormatContext* context) { close_served_input(context); }

void install_frame_server() {
  const InputReader reader{&reader_open, &reader_close, nullptr};
  engine_set_input_reader(kScriptExtension, &reader);
}

void remove_frame_server() { engine_set_input_reader(kScriptExtension, nullptr); }

}  // namespace frameserver

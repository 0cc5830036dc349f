// engine_main: one conversion per call, in the host's process.
#include <cstdio>
#include <new>

extern "C" {
#include <libavutil/log.h>
}

#include "iPod/engine.h"
#include "iPod/engine_internal.h"
#include "iPod/engine_settings.h"
#include "iPod/engine_state.h"
#include "iPod/host_hooks.h"
#include "iPod/log_sink.h"
#include "iPod/options.h"
#include "iPod/transcode.h"

namespace {

// Closes every output (its byte stream and streams) and every input of the run.
void release_run() {
  EngineRun& run = engine_run();
  run.outputs.clear();
  run.inputs.clear();
  run.using_stdin = false;
  run.start_offset = 0;
  run.failed = false;
}

}  // namespace

int engine_main(int argc, char** argv) {
  reset_engine_settings();
  std::setvbuf(stdout, nullptr, _IONBF, 0);
  std::setvbuf(stderr, nullptr, _IONBF, 0);
  av_log_set_callback(engine_library_log_callback);
  release_run();

  EngineRun& run = engine_run();
  int result = 2;
  try {
    const bool parsed = parse_arguments(argc, argv);
    if (run.outputs.empty()) {
      std::fputs("A>Must supply at least one output file\n", stderr);
      result = 0;
    } else if (run.inputs.empty()) {
      std::fputs("A>Must supply at least one input file\n", stderr);
      result = 0;
    } else if (!parsed) {
      result = 0;
    } else {
      const int64_t started = engine_clock_micros();
      run_transcode();
      std::fprintf(stderr, "bench: utime=%0.3fs\n", static_cast<double>(engine_clock_micros() - started) / 1e6);
      if (run.failed) result = 3;
    }
  } catch (const EngineFailure&) {
    result = 3;
  } catch (const std::bad_alloc&) {
    std::fputs("A>Out of memory\n", stderr);
    result = 3;
  }
  release_run();
  if (result == 2 && stop_requested) {
    std::fprintf(stderr, "Received signal %d: terminating.\n", stop_requested);
    result = 1;
  }
  return result;
}

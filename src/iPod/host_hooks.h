// Process-wide state shared with the host: the progress hook, the stop flag, the message pump and
// the report clock. All of it lives on the host's thread; nothing is locked.
#pragma once

#include <cstdint>
#include <optional>

#include "iPod/engine.h"

struct HostHooks {
  ProgressHook hook = nullptr;
  void* hook_context = nullptr;
  MessagePump pump = nullptr;
  std::optional<int64_t> last_report_micros;  // time of the last non-final report; survives runs
};

HostHooks& host_hooks();

// Set by engine_request_stop; cleared when a transcode starts.
extern int stop_requested;

// The microsecond clock the engine measures elapsed time with (steady, arbitrary origin).
int64_t engine_clock_micros();

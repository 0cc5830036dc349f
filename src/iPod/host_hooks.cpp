#include "iPod/host_hooks.h"

#include <chrono>

int stop_requested = 0;

HostHooks& host_hooks() {
  static HostHooks hooks;
  return hooks;
}

int64_t engine_clock_micros() {
  using namespace std::chrono;
  return duration_cast<microseconds>(steady_clock::now().time_since_epoch()).count();
}

void engine_set_progress_hook(ProgressHook hook, void* context) {
  host_hooks().hook = hook;
  host_hooks().hook_context = context;
}

void engine_request_stop() { stop_requested = 1; }

void engine_set_message_pump(MessagePump pump) { host_hooks().pump = pump; }

void pump_window_messages() {
  if (auto pump = host_hooks().pump) pump();
}

#include "cli/interrupt.h"

#include <csignal>

namespace cli {
namespace {

volatile std::sig_atomic_t interrupt_flag = 0;

extern "C" void on_interrupt(int) { interrupt_flag = 1; }

}  // namespace

void install_interrupt_handler() {
  struct sigaction action = {};
  action.sa_handler = on_interrupt;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESETHAND;
  sigaction(SIGINT, &action, nullptr);
}

bool interrupted() { return interrupt_flag != 0; }

}  // namespace cli

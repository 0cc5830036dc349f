// Ctrl-C during a conversion: the signal handler only raises a flag; the engine's message pump
// and the progress hook look at it on the main thread and take the queue's cancel path, so the
// current file is finished properly and no later item starts. A second Ctrl-C ends the program
// at once (the handler is reset after the first).
#pragma once

namespace cli {

void install_interrupt_handler();
// True once Ctrl-C was pressed.
bool interrupted();

}  // namespace cli

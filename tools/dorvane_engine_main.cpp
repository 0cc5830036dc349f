// dorvane-engine: the transcoding engine as a command-line program; argv is the engine's vector.
// Exit status: 0 when the conversion went through, 1 when it failed or nothing was converted
// (no input or output, a parse error), 2 when it was stopped. The information options (-h, -L,
// -version, -formats) print and end the process with status 1 from inside the engine.
#include "iPod/engine.h"

int main(int argc, char** argv) {
  switch (engine_main(argc, argv)) {
    case 2: return 0;   // went through
    case 1: return 2;   // stopped
    case 3: return 1;   // failed
    default: return 1;  // no input or no output
  }
}

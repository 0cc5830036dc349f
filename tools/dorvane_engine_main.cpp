// dorvane-engine: the transcoding engine as a command-line program; argv is the engine's vector.
#include "iPod/engine.h"

int main(int argc, char** argv) {
  switch (engine_main(argc, argv)) {
    case 2: return 0;   // went through
    case 1: return 2;   // stopped
    case 3: return 1;   // failed
    default: return 1;  // no input or no output
  }
}

// Placeholder until the command-line front end lands.
#include <cstdio>

int main() {
  std::fprintf(stderr, "dorvane-cli: not built yet\n");
  return 2;
}

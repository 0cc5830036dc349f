// dorvane-cli: the program without its window. Lists a disc's titles, runs one conversion job, or
// converts ticked rows through the same queue the window uses.
#include <cstdio>
#include <string>
#include <vector>

#include "cli/commands.h"

int main(int argc, char** argv) {
  const std::vector<std::string> words(argv + (argc > 1 ? 2 : 1), argv + argc);
  const std::string command = argc > 1 ? argv[1] : "";
  if (command == "titles") return cli::titles_command(words);
  if (command == "job") return cli::job_command(words);
  if (command == "convert") return cli::convert_command(words);
  std::fprintf(stderr,
               "usage: dorvane-cli titles <folder>\n"
               "       dorvane-cli job <folder> --set S --title T ... -o out.mp4\n"
               "       dorvane-cli convert <folder> [options]\n");
  return cli::kExitUsage;
}

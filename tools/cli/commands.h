// The sub-commands of dorvane-cli. Each takes the words after its name and returns the exit status.
#pragma once

#include <string>
#include <vector>

namespace cli {

int titles_command(const std::vector<std::string>& words);
int job_command(const std::vector<std::string>& words);
int convert_command(const std::vector<std::string>& words);

// Exit statuses.
inline constexpr int kExitOk = 0;
inline constexpr int kExitFailed = 1;     // a conversion failed, or the queue refused to start
inline constexpr int kExitUsage = 2;      // bad command line or bad choice
inline constexpr int kExitCancelled = 130;  // Ctrl-C

}  // namespace cli

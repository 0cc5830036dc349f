// The command line of one sub-command: positional words, options with a value (repeatable) and
// bare switches. Unknown options and missing values are errors with a message for the user.
#pragma once

#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace cli {

struct CommandLine {
  std::vector<std::string> positional;
  std::multimap<std::string, std::string> values;  // "--title" -> "1.2", in the order given
  std::set<std::string> switches;

  bool has(const std::string& option) const { return values.count(option) || switches.count(option); }
  std::optional<std::string> last(const std::string& option) const;
  std::vector<std::string> all(const std::string& option) const;
};

// `value_options` take the next word as their value ("-o" too); `switch_options` take none.
// Returns nullopt and sets *error for an unknown option or a missing value.
std::optional<CommandLine> parse_command_line(const std::vector<std::string>& words,
                                              const std::set<std::string>& value_options,
                                              const std::set<std::string>& switch_options, std::string* error);

// Whole decimal numbers and decimal fractions, the whole text or nothing.
std::optional<int> parse_int(const std::string& text);
std::optional<double> parse_seconds(const std::string& text);

// "1.2" -> {1, 2}; "1.2.3" -> {1, 2, 3}; each part a number from 1.
std::optional<std::vector<int>> parse_dotted(const std::string& text, size_t parts);

}  // namespace cli

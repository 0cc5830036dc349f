#include "cli/command_line.h"

#include <charconv>
#include <cmath>
#include <cstdlib>

namespace cli {

std::optional<std::string> CommandLine::last(const std::string& option) const {
  std::optional<std::string> found;
  auto [begin, end] = values.equal_range(option);
  for (auto it = begin; it != end; ++it) found = it->second;
  return found;
}

std::vector<std::string> CommandLine::all(const std::string& option) const {
  std::vector<std::string> found;
  auto [begin, end] = values.equal_range(option);
  for (auto it = begin; it != end; ++it) found.push_back(it->second);
  return found;
}

std::optional<CommandLine> parse_command_line(const std::vector<std::string>& words,
                                              const std::set<std::string>& value_options,
                                              const std::set<std::string>& switch_options, std::string* error) {
  CommandLine line;
  for (size_t i = 0; i < words.size(); ++i) {
    const std::string& word = words[i];
    if (word.size() > 1 && word[0] == '-' && !parse_seconds(word)) {
      if (switch_options.count(word)) {
        line.switches.insert(word);
      } else if (value_options.count(word)) {
        if (i + 1 >= words.size()) {
          *error = word + " needs a value";
          return std::nullopt;
        }
        line.values.emplace(word, words[++i]);
      } else {
        *error = "unknown option " + word;
        return std::nullopt;
      }
    } else {
      line.positional.push_back(word);
    }
  }
  return line;
}

std::optional<int> parse_int(const std::string& text) {
  int value = 0;
  const char* end = text.data() + text.size();
  auto [ptr, ec] = std::from_chars(text.data(), end, value);
  if (ec != std::errc() || ptr != end || text.empty()) return std::nullopt;
  return value;
}

std::optional<double> parse_seconds(const std::string& text) {
  if (text.empty()) return std::nullopt;
  char* end = nullptr;
  const double value = std::strtod(text.c_str(), &end);
  if (end != text.c_str() + text.size() || !std::isfinite(value)) return std::nullopt;
  return value;
}

std::optional<std::vector<int>> parse_dotted(const std::string& text, size_t parts) {
  std::vector<int> numbers;
  size_t start = 0;
  while (true) {
    const size_t dot = text.find('.', start);
    const std::optional<int> n = parse_int(text.substr(start, dot == std::string::npos ? std::string::npos : dot - start));
    if (!n || *n < 1) return std::nullopt;
    numbers.push_back(*n);
    if (dot == std::string::npos) break;
    start = dot + 1;
  }
  if (numbers.size() != parts) return std::nullopt;
  return numbers;
}

}  // namespace cli

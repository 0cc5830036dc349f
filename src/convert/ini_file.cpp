#include "convert/ini_file.h"

#include <algorithm>
#include <climits>
#include <string>

namespace convert {
namespace {

char ascii_lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool same_name(std::string_view a, std::string_view b) {
  return a.size() == b.size() &&
         std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) { return ascii_lower(x) == ascii_lower(y); });
}

bool is_space(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r'; }

std::string_view trimmed(std::string_view text) {
  while (!text.empty() && is_space(text.front())) text.remove_prefix(1);
  while (!text.empty() && is_space(text.back())) text.remove_suffix(1);
  return text;
}

std::string_view without_quotes(std::string_view value) {
  if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') && value.back() == value.front()) {
    value.remove_prefix(1);
    value.remove_suffix(1);
  }
  return value;
}

bool has_line_break(std::string_view text) { return text.find_first_of("\r\n") != std::string_view::npos; }

}  // namespace

int leading_int(std::string_view text) {
  size_t i = 0;
  while (i < text.size() && is_space(text[i])) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  long long magnitude = 0;
  for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
    magnitude = magnitude * 10 + (text[i] - '0');
    if (magnitude > static_cast<long long>(INT_MAX) + 1) {
      magnitude = static_cast<long long>(INT_MAX) + 1;  // saturated; the rest of the digits change nothing
    }
  }
  if (negative) return static_cast<int>(-std::min(magnitude, static_cast<long long>(INT_MAX) + 1));
  return static_cast<int>(std::min(magnitude, static_cast<long long>(INT_MAX)));
}

IniFile IniFile::Parse(std::string_view text) {
  IniFile file;
  while (!text.empty()) {
    const size_t newline = text.find('\n');
    std::string_view raw = text.substr(0, newline);
    text.remove_prefix(newline == std::string_view::npos ? text.size() : newline + 1);
    if (!raw.empty() && raw.back() == '\r') raw.remove_suffix(1);

    Line line;
    line.text = std::string(raw);
    const std::string_view content = trimmed(raw);
    if (!content.empty() && content.front() == '[') {
      const size_t close = content.find(']');
      line.is_section = true;
      line.section = std::string(trimmed(content.substr(1, close == std::string_view::npos ? std::string_view::npos : close - 1)));
    } else if (!content.empty() && content.front() != ';') {
      const size_t equals = content.find('=');
      if (equals != std::string_view::npos) {
        line.key = std::string(trimmed(content.substr(0, equals)));
        line.value = std::string(without_quotes(trimmed(content.substr(equals + 1))));
      }
    }
    file.lines_.push_back(std::move(line));
  }
  return file;
}

std::string IniFile::Text() const {
  std::string out;
  for (const Line& line : lines_) {
    out += line.text;
    out += '\n';
  }
  return out;
}

std::optional<std::string> IniFile::GetString(std::string_view section, std::string_view key) const {
  const auto header = std::find_if(lines_.begin(), lines_.end(),
                                   [&](const Line& line) { return line.is_section && same_name(line.section, section); });
  if (header == lines_.end()) return std::nullopt;
  for (auto it = header + 1; it != lines_.end() && !it->is_section; ++it) {
    if (!it->key.empty() && same_name(it->key, key)) {
      if (it->value.empty()) return std::nullopt;
      return it->value;
    }
  }
  return std::nullopt;
}

int IniFile::GetInt(std::string_view section, std::string_view key, int fallback) const {
  const auto text = GetString(section, key);
  return text ? leading_int(*text) : fallback;
}

bool IniFile::SetString(std::string_view section, std::string_view key, std::string_view value) {
  const std::string_view clean_section = trimmed(section);
  const std::string_view clean_key = trimmed(key);
  if (clean_section.empty() || clean_key.empty() || has_line_break(section) || has_line_break(key) ||
      has_line_break(value) || section.find(']') != std::string_view::npos || key.find('=') != std::string_view::npos ||
      clean_key.front() == '[' || clean_key.front() == ';') {
    return false;
  }

  Line entry;
  entry.key = std::string(clean_key);
  entry.value = std::string(value);
  const bool needs_quotes = !value.empty() && (is_space(value.front()) || is_space(value.back()) ||
                                               without_quotes(value).size() != value.size());
  entry.text = entry.key + "=" + (needs_quotes ? "\"" + std::string(value) + "\"" : std::string(value));

  auto header = std::find_if(lines_.begin(), lines_.end(),
                             [&](const Line& line) { return line.is_section && same_name(line.section, clean_section); });
  if (header == lines_.end()) {
    Line new_header;
    new_header.is_section = true;
    new_header.section = std::string(clean_section);
    new_header.text = "[" + new_header.section + "]";
    lines_.push_back(std::move(new_header));
    lines_.push_back(std::move(entry));
    return true;
  }
  auto insert_at = header + 1;
  for (auto it = header + 1; it != lines_.end() && !it->is_section; ++it) {
    if (!it->key.empty() && same_name(it->key, clean_key)) {
      *it = std::move(entry);
      return true;
    }
    if (!trimmed(it->text).empty()) insert_at = it + 1;  // after the section's last non-blank line
  }
  lines_.insert(insert_at, std::move(entry));
  return true;
}

bool IniFile::SetInt(std::string_view section, std::string_view key, int value) {
  return SetString(section, key, std::to_string(value));
}

}  // namespace convert

#include "platform/registry_file.h"

#include <algorithm>

namespace platform {
namespace {

char ascii_lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool equal_ignoring_case(std::string_view a, std::string_view b) {
  return a.size() == b.size() &&
         std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) { return ascii_lower(x) == ascii_lower(y); });
}

bool is_blank(char c) { return c == ' ' || c == '\t'; }

std::string_view trimmed(std::string_view text) {
  while (!text.empty() && (is_blank(text.front()) || text.front() == '\r')) text.remove_prefix(1);
  while (!text.empty() && (is_blank(text.back()) || text.back() == '\r')) text.remove_suffix(1);
  return text;
}

bool needs_quotes(std::string_view text) {
  if (text.empty()) return false;
  if (text.front() == '"' || is_blank(text.front()) || is_blank(text.back())) return true;
  return text.find_first_of("\n\r") != std::string_view::npos;
}

bool name_needs_quotes(std::string_view name) {
  if (name.empty()) return false;  // the default value, written as "@"
  return needs_quotes(name) || name == "@" || name.find('=') != std::string_view::npos || name.front() == '[' ||
         name.front() == ';' || name.front() == '#';
}

std::string quoted(std::string_view text) {
  std::string out = "\"";
  for (char c : text) {
    switch (c) {
      case '\\': out += "\\\\"; break;
      case '"': out += "\\\""; break;
      case '\n': out += "\\n"; break;
      case '\r': out += "\\r"; break;
      case '\t': out += "\\t"; break;
      default: out += c;
    }
  }
  out += '"';
  return out;
}

// Reads a quoted string at the start of `text`; on success returns its contents and leaves `text`
// just after the closing quote.
std::optional<std::string> read_quoted(std::string_view& text) {
  if (text.empty() || text.front() != '"') return std::nullopt;
  std::string out;
  for (size_t i = 1; i < text.size(); ++i) {
    const char c = text[i];
    if (c == '"') {
      text.remove_prefix(i + 1);
      return out;
    }
    if (c != '\\' || i + 1 == text.size()) {
      out += c;
      continue;
    }
    switch (const char next = text[++i]) {
      case 'n': out += '\n'; break;
      case 'r': out += '\r'; break;
      case 't': out += '\t'; break;
      default: out += next;  // \\ and \" and anything a hand edit produced
    }
  }
  return std::nullopt;  // no closing quote
}

}  // namespace

std::optional<std::string> normalise_key_path(std::string_view key_path) {
  if (key_path.find_first_of("\n\r") != std::string_view::npos) return std::nullopt;
  std::string out;
  size_t start = 0;
  while (start <= key_path.size()) {
    size_t end = key_path.find('\\', start);
    if (end == std::string_view::npos) end = key_path.size();
    const std::string_view component = key_path.substr(start, end - start);
    if (!component.empty()) {
      if (!out.empty()) out += '\\';
      out += component;
    }
    start = end + 1;
  }
  if (out.empty()) return std::nullopt;
  return out;
}

RegistryKey* find_key(RegistryStore& store, std::string_view normalised_path) {
  for (RegistryKey& key : store) {
    if (equal_ignoring_case(key.path, normalised_path)) return &key;
  }
  return nullptr;
}

const std::string* find_value(const RegistryKey& key, std::string_view name) {
  for (const auto& [existing, value] : key.values) {
    if (equal_ignoring_case(existing, name)) return &value;
  }
  return nullptr;
}

void set_value(RegistryKey& key, std::string name, std::string text) {
  for (auto& [existing, value] : key.values) {
    if (equal_ignoring_case(existing, name)) {
      value = std::move(text);
      return;
    }
  }
  key.values.emplace_back(std::move(name), std::move(text));
}

RegistryStore parse_registry(std::string_view text) {
  RegistryStore store;
  RegistryKey* current = nullptr;
  while (!text.empty()) {
    const size_t newline = text.find('\n');
    std::string_view line = trimmed(text.substr(0, newline));
    text.remove_prefix(newline == std::string_view::npos ? text.size() : newline + 1);
    if (line.empty() || line.front() == ';' || line.front() == '#') continue;

    if (line.front() == '[') {
      current = nullptr;
      const size_t close = line.rfind(']');
      if (close == std::string_view::npos) continue;  // a cut-short header: its lines go nowhere
      const auto path = normalise_key_path(line.substr(1, close - 1));
      if (!path) continue;
      current = find_key(store, *path);
      if (!current) current = &store.emplace_back(RegistryKey{*path, {}});
      continue;
    }
    if (!current) continue;

    std::string name;
    if (line.front() == '"') {
      auto quoted_name = read_quoted(line);
      line = trimmed(line);
      if (!quoted_name || line.empty() || line.front() != '=') continue;
      name = std::move(*quoted_name);
      line.remove_prefix(1);
    } else {
      const size_t equals = line.find('=');
      if (equals == std::string_view::npos) continue;
      const std::string_view raw_name = trimmed(line.substr(0, equals));
      if (raw_name.empty()) continue;
      name = raw_name == "@" ? std::string() : std::string(raw_name);
      line.remove_prefix(equals + 1);
    }

    std::string_view value = trimmed(line);
    std::string text_value;
    std::string_view rest = value;
    if (auto unquoted = read_quoted(rest); unquoted && trimmed(rest).empty()) {
      text_value = std::move(*unquoted);
    } else {
      text_value = std::string(value);
    }
    set_value(*current, std::move(name), std::move(text_value));
  }
  return store;
}

std::string format_registry(const RegistryStore& store) {
  std::string out;
  for (const RegistryKey& key : store) {
    if (!out.empty()) out += '\n';
    out += '[' + key.path + "]\n";
    for (const auto& [name, value] : key.values) {
      out += name.empty() ? std::string("@") : name_needs_quotes(name) ? quoted(name) : name;
      out += '=';
      out += needs_quotes(value) ? quoted(value) : value;
      out += '\n';
    }
  }
  return out;
}

}  // namespace platform

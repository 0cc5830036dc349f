#include "platform/mount_table.h"

#include <charconv>

namespace platform {
namespace {

std::vector<std::string_view> split_fields(std::string_view line) {
  std::vector<std::string_view> fields;
  size_t start = 0;
  while (start < line.size()) {
    const size_t end = line.find(' ', start);
    const size_t stop = end == std::string_view::npos ? line.size() : end;
    if (stop > start) fields.push_back(line.substr(start, stop - start));
    start = stop + 1;
  }
  return fields;
}

int hex_digit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// The kernel writes space, tab, newline and backslash in mount points as three octal digits.
std::string unescape_octal(std::string_view text) {
  std::string out;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\\' && i + 3 < text.size()) {
      const std::string_view digits = text.substr(i + 1, 3);
      if (digits.size() == 3 && digits.find_first_not_of("01234567") == std::string_view::npos) {
        out += static_cast<char>(((digits[0] - '0') << 6) | ((digits[1] - '0') << 3) | (digits[2] - '0'));
        i += 3;
        continue;
      }
    }
    out += text[i];
  }
  return out;
}

bool parse_device(std::string_view text, unsigned& major, unsigned& minor) {
  const size_t colon = text.find(':');
  if (colon == std::string_view::npos) return false;
  const char* begin = text.data();
  const auto first = std::from_chars(begin, begin + colon, major);
  const auto second = std::from_chars(begin + colon + 1, begin + text.size(), minor);
  return first.ec == std::errc() && first.ptr == begin + colon && second.ec == std::errc() &&
         second.ptr == begin + text.size();
}

bool holds(std::string_view mount_point, std::string_view path) {
  if (mount_point == "/") return !path.empty() && path.front() == '/';
  if (path.substr(0, mount_point.size()) != mount_point) return false;
  return path.size() == mount_point.size() || path[mount_point.size()] == '/';
}

}  // namespace

std::vector<MountEntry> parse_mountinfo(std::string_view text) {
  std::vector<MountEntry> table;
  while (!text.empty()) {
    const size_t newline = text.find('\n');
    const std::string_view line = text.substr(0, newline);
    text.remove_prefix(newline == std::string_view::npos ? text.size() : newline + 1);

    // id parent major:minor root mount-point options [optional fields...] - type source super-options
    const auto fields = split_fields(line);
    if (fields.size() < 9) continue;
    size_t separator = 6;
    while (separator < fields.size() && fields[separator] != "-") ++separator;
    if (separator + 2 >= fields.size()) continue;
    MountEntry entry;
    if (!parse_device(fields[2], entry.major, entry.minor)) continue;
    entry.mount_point = unescape_octal(fields[4]);
    entry.filesystem_type = unescape_octal(fields[separator + 1]);
    entry.source = unescape_octal(fields[separator + 2]);
    table.push_back(std::move(entry));
  }
  return table;
}

std::optional<MountEntry> mount_holding(const std::vector<MountEntry>& table, std::string_view absolute_path) {
  const MountEntry* best = nullptr;
  for (const MountEntry& entry : table) {
    if (!holds(entry.mount_point, absolute_path)) continue;
    if (!best || entry.mount_point.size() >= best->mount_point.size()) best = &entry;
  }
  if (!best) return std::nullopt;
  return *best;
}

std::string decode_udev_label(std::string_view name) {
  std::string out;
  for (size_t i = 0; i < name.size(); ++i) {
    if (name[i] == '\\' && i + 3 < name.size() && name[i + 1] == 'x') {
      const int high = hex_digit(name[i + 2]);
      const int low = hex_digit(name[i + 3]);
      if (high >= 0 && low >= 0) {
        out += static_cast<char>(high * 16 + low);
        i += 3;
        continue;
      }
    }
    out += name[i];
  }
  return out;
}

}  // namespace platform

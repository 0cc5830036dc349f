// A settings file in the profile-string format ("[Section]" lines, then "key=value" lines), read
// and written key by key with the semantics of the classic profile-string calls:
// - section and key names compare without regard to ASCII case; the first match counts;
// - a value is the text after the first '=', blanks around it removed and one pair of matching
//   surrounding quotes ('...' or "...") taken off;
// - a missing or empty value counts as missing;
// - setting a key replaces its line in place, or appends it to its section, or appends the
//   section at the end of the file; every other line (comments, unknown keys) is kept as it was.
// Numbers are written as decimal text without regard to the process's locale.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace convert {

class IniFile {
 public:
  // Never fails: lines that do not fit the format are kept as they are and otherwise ignored.
  static IniFile Parse(std::string_view text);
  std::string Text() const;

  std::optional<std::string> GetString(std::string_view section, std::string_view key) const;

  // Reads the value as the C runtime's atoi does: leading white space and one sign accepted, digits
  // up to the first other character, 0 when the text does not start with a number, saturated at
  // the limits of a 32-bit integer. `fallback` when the key is missing.
  int GetInt(std::string_view section, std::string_view key, int fallback) const;

  // False (and nothing changed) when the names could not be read back: a section name with ']' or
  // a line break, a key with '=' or a line break, an empty name, or a value with a line break. A
  // value with blanks at either end or with quotes at both ends is written inside double quotes so
  // that it reads back unchanged.
  bool SetString(std::string_view section, std::string_view key, std::string_view value);
  bool SetInt(std::string_view section, std::string_view key, int value);

 private:
  struct Line {
    std::string text;     // the line as it stands in the file, without its line break
    std::string section;  // for a section header: its name
    std::string key;      // for an entry: its key (trimmed); empty otherwise
    std::string value;    // for an entry: its value as read
    bool is_section = false;
  };
  std::vector<Line> lines_;
};

// atoi semantics (see GetInt), locale-independent.
int leading_int(std::string_view text);

}  // namespace convert

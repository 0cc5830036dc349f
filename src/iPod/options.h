// The engine's argument vector: the option table and the parser that walks it.
//
// argv[0] is the program-name slot: never parsed, only printed in the two parse messages (a null
// slot prints as ""). Each option is its own element and an option's value is the next element.
// Every element that is not an option (including a lone "-") names an output: open_output_file.
#pragma once

#include <cstdint>
#include <string_view>

// Walks argv[1..argc-1] once against the option table, filling g_settings in argument order and
// opening inputs (-i) and outputs (bare words) as they come.
// Returns true when every element was consumed; false when an unrecognized option or a missing
// argument stopped the parse (its message is written; later elements are ignored): the run
// then must not transcode and engine_main returns 0.
// Invalid option values write their message and call engine_fail() (engine_internal.h).
// The information options -h, -L, -version and -formats print and end the process with exit
// status 1, as a command line would: a host that runs the engine in its own process must never
// pass them.
bool parse_arguments(int argc, char** argv);

// Option row flags.
enum OptionFlag : unsigned {
  OPT_HAS_ARG = 0x001,  // takes the next element as its argument
  OPT_BOOL = 0x002,     // sets its field to 1
  OPT_EXPERT = 0x004,   // help grouping only
  OPT_STRING = 0x008,   // the field receives a copy of the argument
  OPT_VIDEO = 0x010,    // help grouping only
  OPT_AUDIO = 0x020,    // help grouping only
  OPT_GRAB = 0x040,     // help grouping only
  OPT_INT = 0x080,      // the field receives the argument as a lenient decimal integer
  OPT_FLOAT = 0x100,    // the field receives the argument as a lenient single-precision number
};

// Read-only view of one row, for the help listing and for tests.
struct OptionInfo {
  std::string_view name;      // without the leading dash
  unsigned flags;
  std::string_view help;
  std::string_view arg_name;  // empty when the option takes no argument (or shows none)
};

// The -h option list, grouped (main, video, advanced video, audio, advanced audio, capture,
// advanced), one "-%-17s  %s" line per option, on the error stream. Does not end the process.
void print_option_help();

int option_count();
OptionInfo option_info(int index);  // 0 <= index < option_count(), in table order

// The lenient conversions of the table: leading white space and a sign are accepted, conversion
// stops at the first character that does not fit, no digits gives 0. Independent of the process
// locale (a host may have switched LC_NUMERIC to one with a decimal comma). Integers saturate at
// the int range instead of overflowing.
int parse_int_lenient(const char* text);
float parse_float_lenient(const char* text);
double parse_double_lenient(const char* text);
// strtol-style base detection ("0x" hexadecimal, leading "0" octal); *end (if given) receives the
// first character not used.
long parse_int_with_base(const char* text, const char** end);

// -intra_matrix / -inter_matrix text: 64 comma-separated integers. On a syntax error returns
// false and *bad_index is the 0-based index of the last coefficient read.
bool parse_quant_matrix(const char* text, uint16_t (&matrix)[64], int* bad_index);

// -atag / -vtag: an integer with base prefix, or else the first four characters as a
// four-character code with the first character in the low byte.
uint32_t parse_codec_tag(const char* text);

// -map / -map_meta_data text: "a:b" (any one separator character, base prefixes allowed).
void parse_index_pair(const char* text, int* first, int* second);

// The lenient text-to-number conversions of the option table. Never fail: unreadable text is 0.
#include <cerrno>
#include <cfloat>
#include <charconv>
#include <climits>
#include <cmath>
#include <cstdlib>
#include <cstring>

#include "iPod/options.h"

namespace {

const char* skip_space(const char* p) {
  while (*p == ' ' || (*p >= '\t' && *p <= '\r')) ++p;
  return p;
}

// Out of range for double: infinity unless the exponent is negative (then the value is tiny).
double out_of_range_value(const char* p) {
  const char* e = std::strpbrk(p, "eE");
  return e && e[1] == '-' ? 0.0 : HUGE_VAL;
}

// Leading sign handled here because from_chars takes '-' but not '+'.
double read_double(const char* p, bool* float_range_ok, float* as_float) {
  const char* last = p + std::strlen(p);
  if (as_float) {
    auto [end, ec] = std::from_chars(p, last, *as_float, std::chars_format::general);
    (void)end;
    *float_range_ok = ec == std::errc{};
    if (ec == std::errc::invalid_argument) *as_float = 0.0f;
  }
  double value = 0.0;
  auto [end, ec] = std::from_chars(p, last, value, std::chars_format::general);
  (void)end;
  if (ec == std::errc::result_out_of_range) return out_of_range_value(p);
  if (ec != std::errc{}) return 0.0;
  return value;
}

const char* skip_sign(const char* p, bool* negative) {
  *negative = false;
  if (*p == '+' || *p == '-') *negative = *p++ == '-';
  return p;
}

}  // namespace

int parse_int_lenient(const char* text) {
  bool negative = false;
  const char* p = skip_sign(skip_space(text), &negative);
  int64_t value = 0;
  for (; *p >= '0' && *p <= '9'; ++p) {
    value = value * 10 + (*p - '0');
    if (value > int64_t{INT_MAX} + 1) value = int64_t{INT_MAX} + 1;  // saturate, keep reading
  }
  if (negative) value = -value;
  if (value > INT_MAX) return INT_MAX;
  if (value < INT_MIN) return INT_MIN;
  return static_cast<int>(value);
}

float parse_float_lenient(const char* text) {
  bool negative = false;
  const char* p = skip_sign(skip_space(text), &negative);
  bool fits = false;
  float value = 0.0f;
  const double wide = read_double(p, &fits, &value);
  if (!fits) {
    // Beyond float's range: infinity or zero, as strtof gives.
    value = std::fabs(wide) > static_cast<double>(FLT_MAX) ? HUGE_VALF : static_cast<float>(wide);
  }
  return negative ? -value : value;
}

double parse_double_lenient(const char* text) {
  bool negative = false;
  const char* p = skip_sign(skip_space(text), &negative);
  const double value = read_double(p, nullptr, nullptr);
  return negative ? -value : value;
}

long parse_int_with_base(const char* text, const char** end) {
  char* stop = nullptr;
  errno = 0;
  const long value = std::strtol(text, &stop, 0);  // integers only: strtol is locale-neutral here
  if (end) *end = stop;
  return value;
}

namespace {

int parse_int_with_base_clamped(const char* text, const char** end) {
  const long value = parse_int_with_base(text, end);
  return value > INT_MAX ? INT_MAX : value < INT_MIN ? INT_MIN : static_cast<int>(value);
}

}  // namespace

bool parse_quant_matrix(const char* text, uint16_t (&matrix)[64], int* bad_index) {
  std::memset(matrix, 0, sizeof matrix);
  const char* p = text;
  for (int i = 0; i < 64; ++i) {
    matrix[i] = static_cast<uint16_t>(parse_int_lenient(p));
    if (i == 63) break;
    p = std::strchr(p, ',');
    if (!p) {
      *bad_index = i;
      return false;
    }
    ++p;
  }
  return true;
}

uint32_t parse_codec_tag(const char* text) {
  const char* end = nullptr;
  const long number = parse_int_with_base(text, &end);
  if (*end == '\0') return static_cast<uint32_t>(number);
  // Short text ("xv") stops at its end instead of reading past it.
  uint32_t tag = 0;
  for (int i = 0; i < 4 && text[i] != '\0'; ++i) {
    tag |= static_cast<uint32_t>(static_cast<unsigned char>(text[i])) << (8 * i);
  }
  return tag;
}

void parse_index_pair(const char* text, int* first, int* second) {
  const char* p = nullptr;
  *first = parse_int_with_base_clamped(text, &p);
  // One separator character of any kind; a text that ends after the first number gives 0
  // instead of reading past its end.
  *second = *p == '\0' ? 0 : parse_int_with_base_clamped(p + 1, nullptr);
}

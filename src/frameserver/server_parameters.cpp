#include "frameserver/server_parameters.h"

#include <cctype>
#include <charconv>
#include <climits>
#include <cmath>

#include "platform/registry.h"

namespace frameserver {
namespace {

std::string_view skip_blanks(std::string_view text) {
  while (!text.empty() && std::isspace(static_cast<unsigned char>(text.front()))) text.remove_prefix(1);
  return text;
}

std::string read_text(const char* name) {
  return platform::registry_get_string(std::string(kParameterKey) + "\\" + name, "").value_or("");
}

}  // namespace

int parse_int_leniently(std::string_view text) {
  text = skip_blanks(text);
  if (!text.empty() && text.front() == '+') text.remove_prefix(1);
  long long value = 0;
  const auto result = std::from_chars(text.data(), text.data() + text.size(), value);
  if (result.ec != std::errc() || value < INT_MIN || value > INT_MAX) return 0;
  return static_cast<int>(value);
}

double parse_double_leniently(std::string_view text) {
  text = skip_blanks(text);
  if (!text.empty() && text.front() == '+') text.remove_prefix(1);
  std::string copy(text.substr(0, 64));
  if (const auto comma = copy.find(','); comma != std::string::npos) copy[comma] = '.';
  double value = 0;
  const auto result = std::from_chars(copy.data(), copy.data() + copy.size(), value, std::chars_format::fixed);
  if (result.ec != std::errc() || !std::isfinite(value)) return 0;
  return value;
}

ServerParameters read_server_parameters() {
  ServerParameters p;
  p.path = read_text("path");
  p.audio = parse_int_leniently(read_text("audio"));
  p.subtitle = parse_int_leniently(read_text("subtitle"));
  p.title_set = parse_int_leniently(read_text("title set"));
  p.title = parse_int_leniently(read_text("title"));
  p.start = parse_double_leniently(read_text("start"));
  p.end = parse_double_leniently(read_text("end"));
  p.force = parse_int_leniently(read_text("force"));
  p.synth = parse_int_leniently(read_text("synth"));
  p.fps = parse_int_leniently(read_text("fps"));
  return p;
}

dvd::TitleRequest title_request(const ServerParameters& p) {
  dvd::TitleRequest request;
  request.folder = p.path;
  request.title_set = p.title;   // crossed on purpose: "title" names the set
  request.title = p.title_set;   // and "title set" the title's place inside it
  request.audio_index = p.audio;
  request.subtitle_index = p.subtitle > 0 ? p.subtitle : 0;
  request.start_seconds = p.start > 0 ? p.start : 0;
  request.end_seconds = p.end > 0 ? p.end : 0;
  request.deinterlace = p.force == 1;
  // The served stream scales its pictures on its own thread, overlapping the next decode.
  request.deliver_unscaled = true;
  return request;
}

AVRational declared_frame_rate(int fps_index, AVRational title_rate) {
  static constexpr AVRational kRates[] = {{24000, 1001}, {24, 1}, {25, 1}, {30000, 1001}, {30, 1}};
  if (fps_index >= 0 && fps_index < 5) return kRates[fps_index];
  return title_rate;
}

}  // namespace frameserver

// Frame size with aspect padding, aspect text, pad colour and frame-rate text: arithmetic only.
#include <charconv>
#include <cmath>
#include <cstring>

#include "iPod/engine_settings.h"
#include "iPod/options.h"

extern "C" {
#include <libavutil/mathematics.h>
#include <libavutil/parseutils.h>
}

FrameGeometry fit_frame_size(int requested_width, int requested_height, int current_width,
                             int current_height, bool fix_aspect) {
  FrameGeometry g;
  g.width = requested_width;
  g.height = requested_height;
  if (current_height == 0 || requested_height == 0 || !fix_aspect) return g;

  // 64-bit products: a 16k picture times a 16k request overflows int.
  const int64_t W = requested_width, H = requested_height;
  const int64_t w = current_width, h = current_height;
  const int64_t requested_key = W * 1000 / H;
  const int64_t current_key = w * 1000 / h;
  if (requested_key == current_key) return g;

  if (requested_key < current_key) {
    // Narrower target: full width, bands above and below.
    const int64_t picture_height = (h * W / w) & ~int64_t{1};
    const int64_t free_height = H - picture_height;
    g.fit = FrameGeometry::Fit::Letterbox;
    g.height = static_cast<int>(picture_height);
    g.pad_top = static_cast<int>(2 * (free_height / 2 / 2));
    g.pad_bottom = static_cast<int>(free_height - g.pad_top);
  } else {
    // Wider target: full height, bands left and right.
    const int64_t picture_width = (w * H / h) & ~int64_t{1};
    const int64_t free_width = W - picture_width;
    g.fit = FrameGeometry::Fit::Pillarbox;
    g.width = static_cast<int>(picture_width);
    g.pad_left = static_cast<int>(2 * (free_width / 2 / 2));
    g.pad_right = static_cast<int>(free_width - g.pad_left);
  }
  return g;
}

std::optional<float> parse_aspect_ratio(const char* text) {
  double ratio = 0.0;
  if (const char* colon = std::strchr(text, ':')) {
    const char* p = text;
    while (*p == ' ' || (*p >= '\t' && *p <= '\r')) ++p;
    // The first number must run right up to the colon ("4x:3" is not a ratio).
    long x = 0;
    auto [end, ec] = std::from_chars(p + (*p == '+' ? 1 : 0), colon, x);
    if (ec == std::errc{} && end == colon) {
      const int y = parse_int_lenient(colon + 1);
      if (x > 0 && y > 0) ratio = static_cast<double>(x) / y;
    }
  } else {
    ratio = parse_double_lenient(text);
  }
  // Zero is what unreadable text gives. A negative or infinite display aspect would only turn
  // into a nonsense sample aspect at set-up, so it is refused here as well.
  const float result = static_cast<float>(ratio);
  if (!(result > 0.0f) || !std::isfinite(result)) return std::nullopt;
  return result;
}

PadColor pad_color_from_rgb(uint32_t rgb) {
  const int r = static_cast<int>((rgb >> 16) & 0xff);
  const int g = static_cast<int>((rgb >> 8) & 0xff);
  const int b = static_cast<int>(rgb & 0xff);
  PadColor c;
  c.y = (306 * r + 601 * g + 117 * b + 512) >> 10;
  c.u = ((512 * b - 339 * g - 173 * r + 511) >> 10) + 128;
  c.v = ((512 * r - 429 * g - 83 * b + 511) >> 10) + 128;
  return c;
}

namespace {

// A plain decimal ("29.970030", "25", "12.5"), as the host writes rates with "%f".
bool read_plain_decimal(const char* text, double* value) {
  const char* p = text;
  while (*p == ' ' || (*p >= '\t' && *p <= '\r')) ++p;
  if (!((*p >= '0' && *p <= '9') || *p == '.')) return false;
  const char* last = p + std::strlen(p);
  auto [end, ec] = std::from_chars(p, last, *value, std::chars_format::fixed);
  return ec == std::errc{} && end == last;
}

}  // namespace

std::optional<AVRational> parse_frame_rate(const char* text) {
  double value = 0.0;
  if (read_plain_decimal(text, &value)) {
    // The library reads decimals with a 1/100000 grain, which turns "29.970030" into
    // 2997003/100000; MPEG-4 cannot code a time base over 65535. Against a base of 1001000 the
    // NTSC rates come out exact (29.970030 * 1001000 = 30000000.03).
    constexpr int64_t kBase = 1001000;
    const double scaled = std::nearbyint(value * static_cast<double>(kBase));
    if (!(scaled >= 1.0) || scaled > static_cast<double>(INT_MAX)) return std::nullopt;
    AVRational rate{};
    av_reduce(&rate.num, &rate.den, static_cast<int64_t>(scaled), kBase, INT_MAX);
    if (rate.den > 65535) av_reduce(&rate.num, &rate.den, static_cast<int64_t>(scaled), kBase, 65535);
    return rate;
  }
  AVRational rate{};
  if (av_parse_video_rate(&rate, text) < 0 || rate.num <= 0 || rate.den <= 0) return std::nullopt;
  return rate;
}

#include "dvd/subtitle_overlay.h"

#include <algorithm>
#include <cstdio>

namespace dvd {
namespace {

uint8_t clamp_byte(double v) { return static_cast<uint8_t>(std::clamp(v + 0.5, 0.0, 255.0)); }

struct Yuva {
  uint8_t y, u, v, a;
};

Yuva to_yuva(uint32_t argb) {
  const double r = (argb >> 16) & 0xff, g = (argb >> 8) & 0xff, b = argb & 0xff;
  return {clamp_byte(16 + 0.257 * r + 0.504 * g + 0.098 * b),
          clamp_byte(128 - 0.148 * r - 0.291 * g + 0.439 * b),
          clamp_byte(128 + 0.439 * r - 0.368 * g - 0.071 * b), static_cast<uint8_t>(argb >> 24)};
}

uint8_t mix(uint8_t under, uint8_t over, int alpha) {
  return static_cast<uint8_t>((under * (255 - alpha) + over * alpha + 127) / 255);
}

}  // namespace

uint32_t palette_rgb(uint32_t ycrcb) {
  const double y = (ycrcb >> 16) & 0xff, cr = ((ycrcb >> 8) & 0xff) - 128.0, cb = (ycrcb & 0xff) - 128.0;
  const uint32_t r = clamp_byte(y + 1.402 * cr);
  const uint32_t g = clamp_byte(y - 0.344136 * cb - 0.714136 * cr);
  const uint32_t b = clamp_byte(y + 1.772 * cb);
  return r << 16 | g << 8 | b;
}

std::string subtitle_palette_option(const std::array<uint32_t, 16>& palette) {
  std::string text;
  for (size_t i = 0; i < palette.size(); ++i) {
    char entry[8];
    std::snprintf(entry, sizeof entry, "%06x", palette_rgb(palette[i]));
    if (i) text += ',';
    text += entry;
  }
  return text;
}

bool burn_subtitle_rect(AVFrame& picture, const AVSubtitleRect& rect) {
  if (picture.format != AV_PIX_FMT_YUV420P || rect.type != SUBTITLE_BITMAP || !rect.data[0] ||
      !rect.data[1] || rect.w <= 0 || rect.h <= 0 || rect.nb_colors <= 0)
    return false;
  const auto* palette = reinterpret_cast<const uint32_t*>(rect.data[1]);
  Yuva colours[256];
  const int count = std::min(rect.nb_colors, 256);
  for (int i = 0; i < count; ++i) colours[i] = to_yuva(palette[i]);
  const int x0 = std::max(rect.x, 0), y0 = std::max(rect.y, 0);
  const int x1 = std::min(rect.x + rect.w, picture.width), y1 = std::min(rect.y + rect.h, picture.height);
  if (x0 >= x1 || y0 >= y1) return false;
  for (int y = y0; y < y1; ++y) {
    const uint8_t* indices = rect.data[0] + static_cast<ptrdiff_t>(y - rect.y) * rect.linesize[0];
    uint8_t* luma = picture.data[0] + static_cast<ptrdiff_t>(y) * picture.linesize[0];
    uint8_t* cb = picture.data[1] + static_cast<ptrdiff_t>(y / 2) * picture.linesize[1];
    uint8_t* cr = picture.data[2] + static_cast<ptrdiff_t>(y / 2) * picture.linesize[2];
    for (int x = x0; x < x1; ++x) {
      const int index = indices[x - rect.x];
      if (index >= count) continue;
      const Yuva& c = colours[index];
      if (c.a == 0) continue;
      luma[x] = mix(luma[x], c.y, c.a);
      if ((x & 1) == 0 && (y & 1) == 0) {  // one chroma sample per 2x2 block
        cb[x / 2] = mix(cb[x / 2], c.u, c.a);
        cr[x / 2] = mix(cr[x / 2], c.v, c.a);
      }
    }
  }
  return true;
}

}  // namespace dvd

// Burning DVD sub-pictures into decoded pictures, and the IFO palette as the sub-picture decoder
// wants it.
#pragma once

#include <array>
#include <cstdint>
#include <string>

extern "C" {
#include <libavcodec/avcodec.h>
}

namespace dvd {

// One IFO palette entry (0x00YYCrCb) as 0xRRGGBB.
uint32_t palette_rgb(uint32_t ycrcb);

// The 16 entries as "rrggbb,rrggbb,..." for the sub-picture decoder's "palette" option.
std::string subtitle_palette_option(const std::array<uint32_t, 16>& palette);

// Blends a bitmap rectangle (palette of 0xAARRGGBB in data[1], indices in data[0]) into a YUV
// 4:2:0 picture at the rectangle's place; the parts outside the picture are left out. Pictures
// of another format are not touched. Returns false when nothing could be drawn.
bool burn_subtitle_rect(AVFrame& picture, const AVSubtitleRect& rect);

}  // namespace dvd

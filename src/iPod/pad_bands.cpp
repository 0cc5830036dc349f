#include "iPod/pad_bands.h"

#include <cstring>

// The bands are painted as runs of contiguous bytes: the right band of one row and the left band of
// the next row are neighbours in a packed picture, so each run covers both.
void fill_pad_bands(uint8_t* const data[3], const int linesize[3], int height, int pad_top, int pad_bottom,
                    int pad_left, int pad_right, const int color[3]) {
  for (int plane = 0; plane < 3; ++plane) {
    const int s = plane ? 1 : 0;
    const int line = linesize[plane];
    const int value = color[plane];
    uint8_t* base = data[plane];
    if (pad_top || pad_left) std::memset(base, value, static_cast<size_t>((line * pad_top + pad_left) >> s));
    if (pad_left || pad_right) {
      uint8_t* run = base + ((pad_top >> s) + 1) * line - (pad_right >> s);
      const int rows = (height - pad_top - pad_bottom - 1) >> s;
      for (int i = 0; i < rows; ++i, run += line) std::memset(run, value, static_cast<size_t>((pad_left + pad_right) >> s));
    }
    if (pad_bottom || pad_right) {
      std::memset(base + ((line * (height - pad_bottom) - pad_right) >> s), value,
                  static_cast<size_t>((line * pad_bottom + pad_right) >> s));
    }
  }
}

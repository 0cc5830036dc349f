// Size of the delivered pictures: square pixels at the title's display aspect unless the caller
// asks for a size of its own.
#pragma once

extern "C" {
#include <libavutil/rational.h>
}

namespace dvd {

struct PictureSize {
  int width = 0;
  int height = 0;
};

// Requested 0 x 0: the source height at the display aspect (480 at 4:3 -> 640 x 480, 576 at 16:9
// -> 1024 x 576). One side 0: that side follows from the other at the display aspect. Computed
// sides are rounded to even numbers (4:2:0 pictures need them); a requested size is kept as is.
// A degenerate aspect (0 or negative) counts as 4:3.
PictureSize output_picture_size(int source_height, AVRational display_aspect, int requested_width,
                                int requested_height);

}  // namespace dvd

#include "dvd/picture_geometry.h"

#include <cmath>

namespace dvd {
namespace {

int even(double value) {
  const int rounded = static_cast<int>(std::lround(value / 2.0)) * 2;
  return rounded < 2 ? 2 : rounded;
}

}  // namespace

PictureSize output_picture_size(int source_height, AVRational display_aspect, int requested_width,
                                int requested_height) {
  if (display_aspect.num <= 0 || display_aspect.den <= 0) display_aspect = AVRational{4, 3};
  const double aspect = av_q2d(display_aspect);
  if (requested_width > 0 && requested_height > 0) return {requested_width, requested_height};
  if (requested_width > 0) return {requested_width, even(requested_width / aspect)};
  const int height = requested_height > 0 ? requested_height : source_height;
  if (height <= 0) return {};
  return {even(height * aspect), height};
}

}  // namespace dvd

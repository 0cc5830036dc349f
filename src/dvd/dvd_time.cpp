#include "dvd/dvd_time.h"

#include <cmath>

namespace dvd {

int bcd_value(uint8_t byte) {
  const int high = byte >> 4, low = byte & 0x0f;
  if (high > 9 || low > 9) return -1;
  return high * 10 + low;
}

double bcd_time_seconds(uint8_t hour, uint8_t minute, uint8_t second, uint8_t frame_u) {
  const int h = bcd_value(hour), m = bcd_value(minute), s = bcd_value(second);
  const int frames = bcd_value(frame_u & 0x3f);
  double total = 0;
  if (h >= 0) total += h * 3600.0;
  if (m >= 0) total += m * 60.0;
  if (s >= 0) total += s;
  double rate = 0;
  switch (frame_u >> 6) {
    case 1: rate = 25.0; break;
    case 3: rate = 30000.0 / 1001.0; break;
    default: break;
  }
  if (frames > 0 && rate > 0) total += frames / rate;
  return total;
}

int64_t seconds_to_ticks(double seconds) { return std::llround(seconds * kTicksPerSecond); }

}  // namespace dvd

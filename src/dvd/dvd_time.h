// Disc time values: the BCD playback times of the IFO files and the 90 kHz clock of the stream.
#pragma once

#include <cstdint>

namespace dvd {

constexpr int64_t kTicksPerSecond = 90000;  // MPEG system clock of presentation stamps

// A BCD time (hours, minutes, seconds, frames) as seconds. The top two bits of `frame_u` give
// the frame rate (01 = 25, 11 = 29.97); the frames count at that rate. Invalid BCD digits and an
// unknown rate count as 0 rather than failing, because authoring tools fill these loosely.
double bcd_time_seconds(uint8_t hour, uint8_t minute, uint8_t second, uint8_t frame_u);

// One BCD byte as a number; -1 when a digit is above 9.
int bcd_value(uint8_t byte);

inline double ticks_to_seconds(int64_t ticks) { return static_cast<double>(ticks) / kTicksPerSecond; }
int64_t seconds_to_ticks(double seconds);  // rounded to the nearest tick

}  // namespace dvd

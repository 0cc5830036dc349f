// Readable names of a title's audio tracks and subtitle streams ("English AC3 2ch", "Francais
// MPEG 2ch", "English"), at most 31 characters so they fit the catalogue's 32-byte slots.
#pragma once

#include <cstdint>
#include <string>

namespace dvd {

constexpr size_t kMaxNameLength = 31;

// The IFO stores a language as two ASCII letters packed high byte first ('e' << 8 | 'n').
// Known ISO 639-1 codes give the language's English name in plain ASCII; other letter pairs give
// the code itself; 0, 0xffff and non-letters give "Unknown".
std::string language_name(uint16_t code);

enum class AudioFormat { Ac3, Mpeg1, Mpeg2, Lpcm, Dts, Unknown };

// The audio coding field of an IFO audio attribute (3 bits) as a format.
AudioFormat audio_format_from_ifo(int coding);
const char* audio_format_label(AudioFormat format);  // "AC3", "MPEG", "LPCM", "DTS", "Unknown"

// "<language> <format> <channels>ch", cut to kMaxNameLength.
std::string audio_track_name(uint16_t language_code, AudioFormat format, int channels);
// "<language>", cut to kMaxNameLength.
std::string subtitle_stream_name(uint16_t language_code);

}  // namespace dvd

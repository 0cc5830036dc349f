// The ten parameters a conversion job leaves for the frame server, as default values of the
// subkeys of "Software\quillet\Param", and what they ask of the DVD decoder.
#pragma once

#include <string>
#include <string_view>

#include "common/av_ptr.h"
#include "dvd/title_decoder.h"

namespace frameserver {

inline constexpr const char* kParameterKey = "Software\\quillet\\Param";

// Values as written, before interpretation. Missing or unreadable texts read as 0 / empty.
struct ServerParameters {
  std::string path;         // "path": the disc folder
  int audio = 0;            // "audio": the title's audio track, from 0
  int subtitle = 0;         // "subtitle": 0 none, n burns the title's subtitle n-1 in
  int title_set = 0;        // "title set": the title's position INSIDE its set, from 0
  int title = 0;            // "title": the title SET, from 0
  double start = 0;         // "start": seconds from the title start
  double end = 0;           // "end": seconds from the title start
  int force = 0;            // "force": 1 de-interlaces
  int synth = 0;            // "synth": 1 adds a silent track to a title without sound
  int fps = 0;              // "fps": index 0..4 into the frame-rate table
};

// atoi-like: leading blanks, an optional sign and the digits that follow; anything else, an
// empty text or a value outside int reads as 0 (out of range: 0, not a wrapped number).
int parse_int_leniently(std::string_view text);

// strtod-like but independent of the process locale: accepts '.' or ',' as the decimal mark
// (a job formatted under a German locale writes "12,500000"); unreadable text reads as 0.
double parse_double_leniently(std::string_view text);

// Reads the parameters from the registry store.
ServerParameters read_server_parameters();

// The decoder request: keeps the crossing ("title" is the set, "title set" the position).
dvd::TitleRequest title_request(const ServerParameters& p);

// The frame rate the stream declares for "fps" 0..4 (24000/1001, 24, 25, 30000/1001, 30);
// any other index declares the title's own rate.
AVRational declared_frame_rate(int fps_index, AVRational title_rate);

}  // namespace frameserver

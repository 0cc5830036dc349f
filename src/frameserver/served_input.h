// One title range served as a libavformat input: a worker thread decodes the range and writes it
// as an in-memory NUT stream a few units ahead; the demuxer's read callback, on the caller's
// thread, hands the finished bytes over and waits when there are none yet.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "common/av_ptr.h"
#include "dvd/title_decoder.h"
#include "frameserver/server_parameters.h"

namespace frameserver {

using DecoderFactory =
    std::function<std::unique_ptr<dvd::TitleDecoder>(const dvd::TitleRequest& request, std::string* error)>;

// Blocks of stream held ahead of the reader, one decoded unit each: a few pictures and the sound
// between them.
inline constexpr std::size_t kDecodeAhead = 8;

// Opens the range the parameters name and returns the demuxer context with its header read in
// *out: a raw YUV 4:2:0 video stream (square pixels, codec tag I420, declaring the "fps" rate)
// and, when the title has sound or "synth" asks for it, a 16-bit stereo PCM stream. Both start
// at 0. Returns 0 or an AVERROR; on failure the reason goes to the library log and nothing is
// left open. Release the context with close_served_input only.
int open_served_input(const ServerParameters& parameters, const DecoderFactory& open_decoder, AVFormatContext** out);

// Stops the decoder (joining its thread) and frees the context; null is ignored.
void close_served_input(AVFormatContext* context);

}  // namespace frameserver

// Encoder parameters from the run's settings. Fields that today's codec context still has are set
// directly; options that moved into the encoders are set by name (an encoder without the option
// ignores it). unsupported_options.h lists what maps to nothing.
#pragma once

#include <optional>
#include <string_view>
#include <vector>

extern "C" {
#include <libavcodec/avcodec.h>
}

#include "iPod/engine_settings.h"

// Fills a video encoder from the settings (size includes the pads). Throws EngineFailure after
// its message when -rc_override cannot be read.
void apply_video_settings(AVCodecContext* enc, const EngineSettings& s);

// Fills an audio encoder: bit rate, channels (channel rule applied), sample rate, sample format.
void apply_audio_settings(AVCodecContext* enc, const EngineSettings& s);

// "start,end,q/start,end,q..." into overrides; nullopt when any triple is not three integers.
std::optional<std::vector<RcOverride>> parse_rc_override(std::string_view text);

// The bit rate the encoder is given for -ab: the native AAC encoder takes the total of all
// channels where the host's value is per channel.
int64_t encoder_audio_bit_rate(int ab, int channels, std::string_view encoder_name);

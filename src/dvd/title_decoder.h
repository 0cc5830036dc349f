// Decodes one range of one DVD title into pictures and sound, in presentation order, on a clock
// that starts at 0 at the range start and runs on without jumps across cells and VOB files.
//
// Used by the frame server (conversion) and by the preview entry points. Single owner, not
// thread-safe: one thread at a time may call it (the frame server's decode-ahead thread).
#pragma once

#include <memory>
#include <string>

#include "common/av_ptr.h"

namespace dvd {

struct TitleRequest {
  std::string folder;        // disc folder: holds VIDEO_TS, or is VIDEO_TS, or an .iso image
  int title_set = 0;         // from 0
  int title = 0;             // title within its set, from 0
  int audio_index = 0;       // the title's audio track, from 0; ignored when the title has none
  int subtitle_index = 0;    // 0 = none, n = the title's subtitle stream n-1, burned into the picture
  double start_seconds = 0;  // seconds from the title start; rounded down to a whole second
  double end_seconds = 0;    // seconds from the title start; <= start means to the title's end
  // Picture size: 0 x 0 gives square pixels at the title's display aspect (4:3 -> height*4/3,
  // 16:9 -> height*16/9, widths even; 720x480 4:3 gives 640x480).
  int out_width = 0;
  int out_height = 0;
  AVPixelFormat pixel_format = AV_PIX_FMT_YUV420P;  // the preview asks for AV_PIX_FMT_BGRA
  int out_sample_rate = 0;   // 0 = the track's own rate (usually 48000)
  bool deinterlace = false;  // force de-interlacing (yadif)
  // Pictures come at their decoded size and format (subtitle burned in, de-interlaced) instead of
  // the StreamInfo size; the caller scales them with dvd::PictureScaler, which lets it scale on
  // another thread while the next picture decodes.
  bool deliver_unscaled = false;
};

struct StreamInfo {
  int width = 0, height = 0;        // size of the delivered pictures
  AVRational frame_rate{0, 1};      // nominal rate: 30000/1001 for NTSC, 25/1 for PAL
  AVRational display_aspect{4, 3};  // the title's display aspect (4:3 or 16:9)
  bool has_audio = false;           // false when the title has no audio track
  int sample_rate = 0;              // of the delivered sound (16-bit interleaved stereo)
  double duration_seconds = 0;      // of the requested range
};

struct DecodedUnit {
  enum class Kind { Picture, Sound, End, Error };
  Kind kind = Kind::End;
  double time = 0;      // seconds since the range start (first sample / picture time)
  av::FramePtr frame;   // Picture: pixel_format at StreamInfo size (unless deliver_unscaled);
                        // Sound: AV_SAMPLE_FMT_S16, 2 ch
  std::string error;    // Kind::Error only; the decoder is finished after it
};

class TitleDecoder {
 public:
  virtual ~TitleDecoder() = default;
  virtual const StreamInfo& info() const = 0;
  // The next unit in time order; End after the range end. Damaged blocks are skipped, not reported.
  virtual DecodedUnit next() = 0;
};

// Opens the title range. On failure returns nullptr and sets *error to a short reason
// ("no VIDEO_TS folder", "title set 3 does not exist", "the disc is encrypted", ...).
std::unique_ptr<TitleDecoder> open_title_decoder(const TitleRequest& request, std::string* error);

}  // namespace dvd

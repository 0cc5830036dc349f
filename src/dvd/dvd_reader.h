// The DVD reader library behind the C entry points of dvd_reader_api.h: the catalogue of one
// opened disc (title sets, titles, chapters, streams) and one preview title that decodes
// pictures in 32-bit pixels and 16-bit stereo sound.
//
// Called from the user-interface thread only, one call at a time. Returned texts stay valid
// until the next call on the same object.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "common/av_ptr.h"
#include "dvd/disc.h"
#include "dvd/dvd_reader_api.h"
#include "dvd/title_decoder.h"

namespace dvd {

class DvdReader {
 public:
  // Catalogue. A disc that cannot be read has no title sets; the reason is in last_error().
  bool open(const std::string& folder);
  int title_set_count() const;
  bool select_title_set(int index);  // from 0; an invalid index leaves no set selected
  int title_count() const;           // of the selected set
  int chapter_count(int title) const;
  bool chapter_times(int title, int chapter, double* start_seconds, double* end_seconds) const;
  double duration(int title) const;  // seconds; 0 for an invalid title
  int audio_count(int title) const;
  const char* audio_name(int title, int track);  // "" for an invalid index
  int subtitle_count(int title) const;
  const char* subtitle_name(int title, int stream);

  // Preview. open_preview keeps the picture size (in: 0 x 0 for the title's own square-pixel
  // size) and sample rate (in: 0 for the track's rate) and fills them with what is delivered.
  bool open_preview(int title_set, int title, int audio_index, int subtitle_index, int* width,
                    int* height, int* sample_rate);
  bool seek(double seconds);  // whole seconds from the title start
  // The next picture and the sound that plays with it (up to the next picture), as interleaved
  // 16-bit stereo; *sound stays valid until the next call. False at the end or on an error.
  bool decode_frame(PreviewFrame* frame, const int16_t** sound, int* sound_values);
  // Writes the picture `frame` names as width x height pixels of 32, 24 or 16 bits, rows packed.
  bool render(const PreviewFrame& frame, void* pixels, int width, int height, int bits_per_pixel);
  void close_preview();

  const std::string& last_error() const { return error_; }

 private:
  const Title* title(int index) const;
  bool pull_next_picture();

  std::string folder_;
  std::unique_ptr<Disc> disc_;
  int set_ = -1;
  std::string text_;
  std::string error_;

  TitleRequest preview_;
  bool preview_open_ = false;
  std::unique_ptr<TitleDecoder> decoder_;
  av::FramePtr picture_, pending_;
  double picture_time_ = 0, pending_time_ = 0;
  bool ended_ = false;
  uint64_t serial_ = 0;
  std::vector<int16_t> sound_;  // decoded sound not yet handed out, interleaved stereo
  int64_t sound_handed_ = 0;    // samples per channel handed out since the seek
  std::vector<int16_t> chunk_;
  av::SwsPtr renderer_;
};

}  // namespace dvd

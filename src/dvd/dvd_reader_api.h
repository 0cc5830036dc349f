// The DVD reader library's C entry points, used by disc opening (catalogue) and by the preview.
// They are a thin face over dvd::DvdReader (dvd_reader.h); the names are the library's own.
//
// Call them from one thread, one call at a time. Texts returned are NUL-terminated, owned by the
// library and valid until the next call. Indices count from 0; an index out of range gives 0, 0.0
// or "" and never fails hard.
#pragma once

#include <stddef.h>
#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

// One decoded preview picture, as handed back to v_vorbisfile_wrote_func. The caller only stores
// it, except `time`.
typedef struct PreviewFrame {
  uint64_t serial;        // which picture; only the latest one can be rendered
  int32_t width;          // picture size in pixels
  int32_t height;
  int32_t sound_values;   // length of the frame's sound in 16-bit values
  int32_t reserved0;
  double time;            // byte offset 24: seconds since the last seek
  uint8_t reserved[16];
} PreviewFrame;

// --- catalogue ---------------------------------------------------------------------------------
// Opens the disc in `folder` (holds VIDEO_TS, or is VIDEO_TS, or an .iso image; a trailing '/'
// or '\' is allowed). The two integers are unused (pass 0). Returns 1 when opened, 0 when not;
// a disc that cannot be opened has no title sets.
int v_vorbisfile_open_func(const char* folder, int reserved1, int reserved2);
// Number of title sets of the opened disc.
int v_vorbisfile_get_pin_func(void);
// Makes title set `title_set` current. Returns 1, or 0 for an invalid index (then no set is).
int v_vorbisfile_connect_pin_func(int title_set);
// Number of titles of the current title set.
int v_vorbisfile_tell_instance_reference_func(void);
// Number of chapters of `title`.
int v_vorbisfile_encode_setup_vbr_func(int title);
// Start and end of `chapter` of `title` in seconds from the title start. Returns 1, or 0 (and
// both 0.0) for an invalid index. Either pointer may be NULL.
int v_vorbisfile_add_comment_func(int title, int chapter, double* start_seconds, double* end_seconds);
// Duration of `title` in seconds.
double v_vorbisfile_tell_stream_len_func(int title);
// Number of audio tracks of `title`.
int v_vorbisfile_bitrate_addblock_func(int title);
// Name of audio track `track` of `title`, at most 31 characters ("English AC3 2ch").
const char* v_vorbisfile_query_func(int title, int track);
// Number of subtitle streams of `title`.
int v_vorbisfile_tell_stream_uid_func(int title);
// Name of subtitle stream `stream` of `title`, at most 31 characters ("English").
const char* v_vorbisfile_packet_blocksize_func(int title, int stream);

// --- preview -----------------------------------------------------------------------------------
// Opens title `title` of title set `title_set` of the opened disc for preview with audio track
// `audio_index` and subtitle `subtitle_index` (0 = none, n = stream n-1 burned in).
// *width, *height: in, the wanted picture size (0 x 0: square pixels at the title's aspect);
// out, the size of the pictures. *sample_rate: in, the wanted rate (0: the track's); out, the
// rate of the sound. `frame_rate_index` (0-4) is accepted and not used: pictures come at the
// title's own rate. Returns 1 when opened, 0 when not. Any pointer may be NULL.
int v_vorbisfile_run_func(int title_set, int title, int audio_index, int subtitle_index, int* width,
                          int* height, int frame_rate_index, int* sample_rate);
// Moves the preview to `seconds` (whole seconds from the title start). Nonzero on success.
int v_vorbisfile_skip_func(double seconds);
// Decodes the next picture into library memory and describes it in *frame; *sound points at the
// 16-bit stereo PCM (interleaved) that plays with it, *sound_length its length in 16-bit values;
// the sound stays valid until the next call. `width` and `height` are those the open filled.
// Returns 1, or 0 at the end of the title or on an error (then *sound_length is 0).
int v_vorbisfile_transform_func(PreviewFrame* frame, int width, int height, const int16_t** sound,
                                int* sound_length);
// Writes the picture of `frame` into `pixels` as width x height pixels of `bits_per_pixel`
// (32: B,G,R,x; 24: B,G,R; 16: RGB 5-6-5), rows packed top-down: height x width x bits / 8
// bytes. Returns 1, or 0 when the frame is not the latest decoded one or the depth is unknown.
int v_vorbisfile_wrote_func(PreviewFrame frame, void* pixels, int width, int height,
                            int bits_per_pixel);
// Closes the preview title.
void v_vorbisfile_disconnect_func(void);

#ifdef __cplusplus
}
static_assert(sizeof(PreviewFrame) == 48, "PreviewFrame is a 48-byte record");
static_assert(offsetof(PreviewFrame, time) == 24, "the frame time sits at byte offset 24");
#endif

#include "dvd/dvd_reader_api.h"

#include "dvd/dvd_reader.h"

namespace {

// The library holds one disc and one preview title, like the program it serves.
dvd::DvdReader& reader() {
  static dvd::DvdReader instance;
  return instance;
}

}  // namespace

extern "C" {

int v_vorbisfile_open_func(const char* folder, int, int) {
  return folder && reader().open(folder) ? 1 : 0;
}

int v_vorbisfile_get_pin_func(void) { return reader().title_set_count(); }

int v_vorbisfile_connect_pin_func(int title_set) { return reader().select_title_set(title_set); }

int v_vorbisfile_tell_instance_reference_func(void) { return reader().title_count(); }

int v_vorbisfile_encode_setup_vbr_func(int title) { return reader().chapter_count(title); }

int v_vorbisfile_add_comment_func(int title, int chapter, double* start_seconds,
                                  double* end_seconds) {
  return reader().chapter_times(title, chapter, start_seconds, end_seconds) ? 1 : 0;
}

double v_vorbisfile_tell_stream_len_func(int title) { return reader().duration(title); }

int v_vorbisfile_bitrate_addblock_func(int title) { return reader().audio_count(title); }

const char* v_vorbisfile_query_func(int title, int track) { return reader().audio_name(title, track); }

int v_vorbisfile_tell_stream_uid_func(int title) { return reader().subtitle_count(title); }

const char* v_vorbisfile_packet_blocksize_func(int title, int stream) {
  return reader().subtitle_name(title, stream);
}

int v_vorbisfile_run_func(int title_set, int title, int audio_index, int subtitle_index, int* width,
                          int* height, int, int* sample_rate) {
  return reader().open_preview(title_set, title, audio_index, subtitle_index, width, height,
                               sample_rate)
             ? 1
             : 0;
}

int v_vorbisfile_skip_func(double seconds) { return reader().seek(seconds) ? 1 : 0; }

int v_vorbisfile_transform_func(PreviewFrame* frame, int, int, const int16_t** sound,
                                int* sound_length) {
  return reader().decode_frame(frame, sound, sound_length) ? 1 : 0;
}

int v_vorbisfile_wrote_func(PreviewFrame frame, void* pixels, int width, int height,
                            int bits_per_pixel) {
  return reader().render(frame, pixels, width, height, bits_per_pixel) ? 1 : 0;
}

void v_vorbisfile_disconnect_func(void) { reader().close_preview(); }

}  // extern "C"

// Every option-controlled value of one engine run, and the plain arithmetic the option handlers
// and the output set-up share (frame size with aspect padding, aspect text, pad colour, frame rate).
//
// Ownership and lifetime: one process-wide instance, `g_settings`, used only on the thread that
// runs engine_main; nothing is locked, one run at a time. engine_main calls reset_engine_settings()
// first, then parse_arguments() (options.h) fills the fields in argument order. open_input_file
// calls clear_input_file_settings() after each input it adds (and clears start_time itself once it
// has seeked); open_output_file calls clear_output_file_settings() after each output it sets up.
// Every text is a private copy: no field points into the caller's argument vector.
#pragma once

#include <array>
#include <climits>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

extern "C" {
#include <libavcodec/codec.h>
#include <libavcodec/codec_id.h>
#include <libavutil/pixfmt.h>
#include <libavutil/rational.h>
}

// One -map: which input file and which of its streams feed the next output stream.
struct StreamMap {
  int file_index = 0;
  int stream_index = 0;
};

// One -map_meta_data: the output file that takes the texts of an input file.
struct MetaDataMap {
  int out_file = 0;
  int in_file = 0;
};

// Pad colour in the working picture's YUV, 0..255 per plane (black by default).
struct PadColor {
  int y = 16;
  int u = 128;
  int v = 128;
};

// The quantiser matrix of -intra_matrix / -inter_matrix, in the order the text gives it.
using QuantMatrix = std::array<uint16_t, 64>;

struct EngineSettings {
  // --- files, maps, times ---------------------------------------------------------------------
  std::string file_format;            // -f, forced input/output format name; per file
  bool force_pgmyuv = false;          // -f pgmyuv: every later input gets the PGM-YUV decoder
  std::string image_format;           // -img, image format name; per file
  bool file_overwrite = false;        // -y
  std::vector<StreamMap> stream_maps;       // -map, in argument order
  std::vector<MetaDataMap> meta_data_maps;  // -map_meta_data, in argument order
  int64_t recording_time = 0;         // -t, microseconds; 0 = no limit
  int limit_filesize = 0;             // -fs, KiB; 0 = no limit
  int64_t start_time = 0;             // -ss, microseconds; cleared once an input has seeked
  int64_t input_ts_offset = 0;        // -itsoffset, microseconds
  std::string title;                  // -title
  std::string author;                 // -author
  std::string copyright;              // -copyright
  std::string comment;                // -comment
  int64_t rec_timestamp = 0;          // -timestamp, whole seconds since the epoch

  // --- general --------------------------------------------------------------------------------
  int debug = 0;                      // -debug, decoder/encoder debug flags
  int debug_mv = 0;                   // -vismv
  bool do_benchmark = false;          // -benchmark (the timing line is written in every run)
  bool do_pkt_dump = false;           // -dump
  bool do_hex_dump = false;           // -hex
  bool bitexact = false;              // -bitexact, for decoders and encoders
  bool rate_emu = false;              // -re, read the input at its native rate; per input
  bool loop_input = false;            // -loop, stored only
  int verbose = 1;                    // -v (also sets engine_log_level)
  int thread_count = 1;               // -threads
  int video_sync_method = 1;          // -vsync
  int audio_sync_method = 1;          // -async; > 1 means resampler drift compensation
  bool copy_ts = false;               // -copyts
  bool opt_shortest = false;          // -shortest

  // --- video ----------------------------------------------------------------------------------
  int video_bit_rate = 200000;        // -b, bit/s
  int max_video_frames = INT_MAX;     // -vframes
  int max_audio_frames = INT_MAX;     // -aframes
  int max_data_frames = INT_MAX;      // -dframes
  AVRational frame_rate = {25, 1};    // -r, frames per second
  int frame_width = 0;                // -s (or the input's), picture size without pads
  int frame_height = 0;
  float frame_aspect_ratio = 0.0f;    // -aspect, display aspect of the output picture; 0 = none
  bool fix_aspect = false;            // -fixaspect: -s pads to keep the input's shape
  AVPixelFormat frame_pix_fmt = AV_PIX_FMT_NONE;  // -pix_fmt
  int crop_top = 0;                   // -croptop ... -cropright, pixels (even)
  int crop_bottom = 0;
  int crop_left = 0;
  int crop_right = 0;
  int pad_top = 0;                    // -padtop ... -padright, pixels; -fixaspect fills them too.
  int pad_bottom = 0;                 // pad_top may be negative or odd (-padtop only warns);
  int pad_left = 0;                   // the others are always >= 0 and even.
  int pad_right = 0;
  PadColor pad_color;                 // -padcolor
  int gop_size = 12;                  // -g
  bool intra_only = false;            // -intra
  bool video_disable = false;         // -vn; per output
  float video_qscale = 0.0f;          // -qscale; 0 = rate control
  int video_qmin = 2;                 // -qmin
  int video_qmax = 31;                // -qmax
  int video_lmin = 2 * 118;           // -lmin, lagrange units (118 per quantiser step)
  int video_lmax = 31 * 118;          // -lmax
  int video_mb_lmin = 2 * 118;        // -mblmin
  int video_mb_lmax = 31 * 118;       // -mblmax
  int video_qdiff = 3;                // -qdiff
  float video_qblur = 0.5f;           // -qblur
  float video_qsquish = 0.0f;         // -qsquish
  float video_qcomp = 0.5f;           // -qcomp
  float video_rc_initial_cplx = 0.0f; // -rc_init_cplx
  float video_b_qfactor = 1.25f;      // -b_qfactor
  float video_i_qfactor = -0.8f;      // -i_qfactor
  float video_b_qoffset = 1.25f;      // -b_qoffset
  float video_i_qoffset = 0.0f;       // -i_qoffset
  int video_intra_quant_bias = 999999;  // -ibias; 999999 = the encoder's own default
  int video_inter_quant_bias = 999999;  // -pbias
  std::string video_rc_eq = "tex^qComp";  // -rc_eq
  std::string video_rc_override_string;   // -rc_override, "start,end,q/start,end,q..."
  float video_rc_buffer_aggressivity = 1.0f;  // no option
  int video_bit_rate_tolerance = 4000000;     // -bt, bit/s
  int video_rc_max_rate = 0;          // -maxrate, bit/s
  int video_rc_min_rate = 0;          // -minrate, bit/s
  int video_rc_buffer_size = 0;       // -bufsize, bits
  AVCodecID video_codec_id = AV_CODEC_ID_NONE;  // -vcodec; per output
  const AVCodec* video_codec = nullptr;  // -vcodec's encoder when one has that name (libxvid for
                                         // "xvid"); null: take the default encoder of the id
  bool video_stream_copy = false;     // -vcodec copy; per output
  int me_method = 5;                  // -me, 1..6 = zero, full, log, phods, epzs, x1
  int dct_algo = 0;                   // -dct_algo
  int idct_algo = 0;                  // -idct_algo
  int me_threshold = 0;               // -me_threshold
  int mb_threshold = 0;               // -mb_threshold
  int error_resilience = 2;           // -er
  int error_concealment = 3;          // -ec
  int b_frames = 0;                   // -bf, 1..8 when given
  bool use_hq = false;                // -hq
  int mb_decision = 0;                // -mbd
  int mb_cmp = 0;                     // -mbcmp
  int ildct_cmp = 8;                  // -ildctcmp
  int sub_cmp = 0;                    // -subcmp
  int cmp = 0;                        // -cmp
  int pre_cmp = 0;                    // -precmp
  int pre_me = 0;                     // -preme
  int luma_elim_threshold = 0;        // -lelim
  int chroma_elim_threshold = 0;      // -celim
  float lumi_mask = 0.0f;             // -lumi_mask
  float dark_mask = 0.0f;             // -dark_mask
  float scplx_mask = 0.0f;            // -scplx_mask
  float tcplx_mask = 0.0f;            // -tcplx_mask
  float p_mask = 0.0f;                // -p_mask
  bool use_4mv = false;               // -4mv
  bool use_obmc = false;              // -obmc
  bool use_loop = false;              // -lf
  bool use_part = false;              // -part
  int workaround_bugs = 1;            // -bug
  int rtp_payload_size = 0;           // -ps, bytes; 0 = no packet mode
  int error_rate = 0;                 // -error
  int strict = 0;                     // -strict
  bool same_quality = false;          // -sameq
  int do_pass = 0;                    // -pass, 0 (none), 1 or 2
  std::string pass_logfilename;       // -passlogfile
  bool do_deinterlace = false;        // -deinterlace
  bool use_interlaced_dct = false;    // -ildct
  bool use_interlaced_me = false;     // -ilme
  bool do_psnr = false;               // -psnr
  bool do_vstats = false;             // -vstats
  bool use_aic = false;               // -aic
  bool use_aiv = false;               // -aiv
  bool use_umv = false;               // -umv
  bool use_ss = false;                // -ssm
  bool use_alt_scan = false;          // -alt
  bool use_qprd = false;              // -qprd
  bool use_cbp = false;               // -cbp
  bool use_trell = false;             // -trell
  bool use_mv0 = false;               // -mv0
  bool use_naq = false;               // -naq
  bool closed_gop = false;            // -cgop
  bool strict_gop = false;            // -sgop
  bool no_output = false;             // -noout
  bool use_scan_offset = false;       // -scan_offset
  bool use_qpel = false;              // -qpel
  std::optional<QuantMatrix> intra_matrix;  // -intra_matrix
  std::optional<QuantMatrix> inter_matrix;  // -inter_matrix
  int top_field_first = -1;           // -top; -1 = automatic
  int noise_reduction = 0;            // -nr
  int qns = 0;                        // -qns
  int sc_threshold = 0;               // -sc_threshold
  int me_range = 0;                   // -me_range
  int intra_dc_precision = 8;         // -dc, bits (the encoder receives dc - 8)
  int coder = 0;                      // -coder
  int context = 0;                    // -context
  int predictor = 0;                  // -pred
  int video_profile = -99;            // -vprofile; -99 = not specified
  int video_level = -99;              // -vlevel; -99 = not specified
  int nsse_weight = 8;                // -nssew
  int subpel_quality = 8;             // -subq
  int lowres = 0;                     // -lowres
  uint32_t video_codec_tag = 0;       // -vtag, four-character code, first character lowest
  int frame_skip_threshold = 0;       // -skip_threshold
  int frame_skip_factor = 0;          // -skip_factor
  int frame_skip_exp = 0;             // -skip_exp
  int frame_skip_cmp = 13;            // -skip_cmp

  // --- audio ----------------------------------------------------------------------------------
  int audio_bit_rate = 64000;         // -ab, bit/s (per channel as the host computes it)
  int audio_sample_rate = 44100;      // -ar, Hz
  int audio_channels = 1;             // -ac
  bool audio_disable = false;         // -an; per output
  AVCodecID audio_codec_id = AV_CODEC_ID_NONE;  // -acodec; per output
  const AVCodec* audio_codec = nullptr;  // -acodec's encoder when one has that name
  bool audio_stream_copy = false;     // -acodec copy; per output
  uint32_t audio_codec_tag = 0;       // -atag
  int audio_volume = 100;             // -vol, percent; 100 = unchanged

  // --- capture --------------------------------------------------------------------------------
  std::string video_device;           // -vd, stored only
  int video_channel = 0;              // -vc; per input
  std::string video_standard = "ntsc";  // -tvstd; keeps its value from run to run
  std::string audio_device;           // -ad, stored only
  std::string grab_device;            // -gd; per input

  // --- muxer ----------------------------------------------------------------------------------
  int mux_rate = 0;                   // -muxrate, bit/s
  int mux_packet_size = 0;            // -packetsize, bytes
  float mux_max_delay = 0.7f;         // -muxdelay, seconds
  float mux_preload = 0.5f;           // -muxpreload, seconds
  int mux_audio_bit_rate = 0;         // -muxab, bit/s; 0 = not given (declare -ab instead)
  int mux_video_bit_rate = 0;         // -muxvb, bit/s; 0 = not given (declare -b instead)
};

// The settings of the current run (see the top of this file for who touches them when).
extern EngineSettings g_settings;

// The engine log sink's level: messages above it are dropped. Not part of EngineSettings: it
// starts at 2, -v sets it, and it keeps its value from run to run. Read by engine_log.
extern int engine_log_level;

// Restores every field to its default, except video_standard, which keeps its value.
void reset_engine_settings();

// After each input is added: forgets -f, -img, -gd, -vc and -re.
void clear_input_file_settings();

// After each output is set up: forgets -f, -img, -an, -vn, both codec choices and stream copy.
void clear_output_file_settings();

// ---- plain arithmetic, shared by the handlers and the output set-up --------------------------

// What -s makes of a requested size W x H given the current picture size w x h.
struct FrameGeometry {
  enum class Fit { Plain, Letterbox, Pillarbox };
  Fit fit = Fit::Plain;
  int width = 0;       // picture size without pads
  int height = 0;
  int pad_top = 0;     // meaningful for Letterbox (top/bottom) and Pillarbox (left/right);
  int pad_bottom = 0;  // Plain leaves the run's pads as they are
  int pad_left = 0;
  int pad_right = 0;
};

// Plain unless fix_aspect is set and the integer shape keys W*1000/H and w*1000/h differ; then
// the picture keeps the input's shape inside W x H and the rest becomes even pads. W and H must be
// even (the handler checks that first).
FrameGeometry fit_frame_size(int requested_width, int requested_height, int current_width,
                             int current_height, bool fix_aspect);

// "x:y" with positive integers or a decimal number; nullopt when the result would be zero,
// negative or not finite (the handler then fails).
std::optional<float> parse_aspect_ratio(const char* text);

// Hexadecimal RRGGBB to the working picture's YUV, in integer arithmetic.
PadColor pad_color_from_rgb(uint32_t rgb);

// Frame-rate text: decimals are read against a base of 1001000 and reduced, so "29.970030" gives
// exactly 30000/1001 and "25" gives 25/1; fractions ("30000/1001") and the library's
// abbreviations ("ntsc", "pal", "film"...) are read by the library. nullopt when unreadable or
// not positive.
std::optional<AVRational> parse_frame_rate(const char* text);

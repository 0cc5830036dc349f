// The option table and the parser that walks the argument vector against it.
#include "iPod/options.h"

#include <cstdio>
#include <cstring>
#include <variant>

#include "iPod/engine_internal.h"
#include "iPod/option_handlers.h"

namespace {

using BoolField = bool EngineSettings::*;
using IntField = int EngineSettings::*;
using FloatField = float EngineSettings::*;
using TextField = std::string EngineSettings::*;
using Target = std::variant<BoolField, IntField, FloatField, TextField, OptionHandler>;

struct OptionEntry {
  const char* name;  // without the leading dash
  unsigned flags;
  Target target;
  const char* help;
  const char* arg_name;  // null when the option takes no argument
};

constexpr unsigned V = OPT_VIDEO, A = OPT_AUDIO, X = OPT_EXPERT, G = OPT_GRAB;

OptionEntry flag(const char* name, unsigned group, BoolField f, const char* help) {
  return {name, OPT_BOOL | group, f, help, nullptr};
}
OptionEntry integer(const char* name, unsigned group, IntField f, const char* help, const char* arg) {
  return {name, OPT_HAS_ARG | OPT_INT | group, f, help, arg};
}
OptionEntry real(const char* name, unsigned group, FloatField f, const char* help, const char* arg) {
  return {name, OPT_HAS_ARG | OPT_FLOAT | group, f, help, arg};
}
OptionEntry text(const char* name, unsigned group, TextField f, const char* help, const char* arg) {
  return {name, OPT_HAS_ARG | OPT_STRING | group, f, help, arg};
}
OptionEntry with_arg(const char* name, unsigned group, OptionHandler h, const char* help, const char* arg) {
  return {name, OPT_HAS_ARG | group, h, help, arg};
}
OptionEntry no_arg(const char* name, unsigned group, OptionHandler h, const char* help) {
  return {name, group, h, help, nullptr};
}

using S = EngineSettings;

// Table order is lookup order and help order.
const OptionEntry kOptions[] = {
    // main
    no_arg("L", 0, opt_show_license, "show license"),
    no_arg("h", 0, opt_show_help, "show help"),
    no_arg("version", 0, opt_show_version, "show version"),
    no_arg("formats", 0, opt_show_formats, "show available formats, codecs, protocols, ..."),
    with_arg("f", 0, opt_format, "force format", "fmt"),
    with_arg("img", 0, opt_image_format, "force image format", "img_fmt"),
    with_arg("i", 0, opt_input_file, "input file name", "filename"),
    flag("y", 0, &S::file_overwrite, "overwrite output files"),
    with_arg("map", X, opt_map, "set input stream mapping", "file:stream"),
    with_arg("map_meta_data", X, opt_map_meta_data, "set meta data information of outfile from infile",
             "outfile:infile"),
    with_arg("t", 0, opt_recording_time, "set the recording time", "duration"),
    integer("fs", 0, &S::limit_filesize, "set the limit file size", "limit_size"),
    with_arg("ss", 0, opt_start_time, "set the start time offset", "time_off"),
    with_arg("itsoffset", 0, opt_input_ts_offset, "set the input ts offset", "time_off"),
    text("title", 0, &S::title, "set the title", "string"),
    with_arg("timestamp", 0, opt_rec_timestamp, "set the timestamp", "time"),
    text("author", 0, &S::author, "set the author", "string"),
    text("copyright", 0, &S::copyright, "set the copyright", "string"),
    text("comment", 0, &S::comment, "set the comment", "string"),
    with_arg("debug", X, store_int<&S::debug>, "print specific debug info", ""),
    with_arg("vismv", X, store_int<&S::debug_mv>, "visualize motion vectors", ""),
    flag("benchmark", X, &S::do_benchmark, "add timings for benchmarking"),
    flag("dump", X, &S::do_pkt_dump, "dump each input packet"),
    flag("hex", X, &S::do_hex_dump, "when dumping packets, also dump the payload"),
    no_arg("bitexact", X, opt_bitexact, "only use bit exact algorithms (for codec testing)"),
    flag("re", X, &S::rate_emu, "read input at native frame rate"),
    flag("loop", X, &S::loop_input, "loop (current only works with images)"),
    with_arg("v", 0, opt_verbose, "control amount of logging", "verbose"),
    with_arg("target", 0, opt_target,
             "specify target file type (\"vcd\", \"svcd\", \"dvd\", \"dv\", \"pal-vcd\", \"ntsc-svcd\", ...)",
             "type"),
    with_arg("threads", X, store_int<&S::thread_count>, "thread count", "count"),
    integer("vsync", X, &S::video_sync_method, "video sync method", ""),
    integer("async", X, &S::audio_sync_method, "audio sync method", ""),
    flag("copyts", X, &S::copy_ts, "copy timestamps"),
    flag("shortest", X, &S::opt_shortest, "finish encoding within shortest input"),

    // video
    with_arg("b", V, store_scaled<&S::video_bit_rate, 1000>, "set video bitrate (in kbit/s)", "bitrate"),
    integer("vframes", V, &S::max_video_frames, "set the number of video frames to record", "number"),
    integer("aframes", A, &S::max_audio_frames, "set the number of audio frames to record", "number"),
    integer("dframes", X, &S::max_data_frames, "set the number of data frames to record", "number"),
    with_arg("r", V, opt_frame_rate, "set frame rate (Hz value, fraction or abbreviation)", "rate"),
    with_arg("s", V, opt_frame_size, "set frame size (WxH or abbreviation)", "size"),
    with_arg("aspect", V, opt_frame_aspect_ratio, "set aspect ratio (4:3, 16:9 or 1.3333, 1.7777)",
             "aspect"),
    flag("fixaspect", V, &S::fix_aspect, "keep the input's shape when scaling with -s (pads the rest)"),
    with_arg("pix_fmt", V | X, opt_frame_pix_fmt, "set pixel format", "format"),
    with_arg("croptop", V, opt_crop_top, "set top crop band size (in pixels)", "size"),
    with_arg("cropbottom", V, opt_crop_bottom, "set bottom crop band size (in pixels)", "size"),
    with_arg("cropleft", V, opt_crop_left, "set left crop band size (in pixels)", "size"),
    with_arg("cropright", V, opt_crop_right, "set right crop band size (in pixels)", "size"),
    with_arg("padtop", V, opt_pad_top, "set top pad band size (in pixels)", "size"),
    with_arg("padbottom", V, opt_pad_bottom, "set bottom pad band size (in pixels)", "size"),
    with_arg("padleft", V, opt_pad_left, "set left pad band size (in pixels)", "size"),
    with_arg("padright", V, opt_pad_right, "set right pad band size (in pixels)", "size"),
    with_arg("padcolor", V, opt_pad_color, "set color of pad bands (Hex 000000 thru FFFFFF)", "color"),
    with_arg("g", V | X, store_int<&S::gop_size>, "set the group of picture size", "gop_size"),
    flag("intra", V, &S::intra_only, "use only intra frames"),
    flag("vn", V, &S::video_disable, "disable video"),
    with_arg("qscale", V, opt_qscale, "use fixed video quantiser scale (VBR)", "q"),
    with_arg("qmin", V | X, opt_qmin, "min video quantiser scale (VBR)", "q"),
    with_arg("qmax", V | X, opt_qmax, "max video quantiser scale (VBR)", "q"),
    with_arg("lmin", V | X, opt_lmin, "min video lagrange factor (VBR)", "lambda"),
    with_arg("lmax", V | X, opt_lmax, "max video lagrange factor (VBR)", "lambda"),
    with_arg("mblmin", V | X, opt_mb_lmin, "min macroblock quantiser scale (VBR)", "q"),
    with_arg("mblmax", V | X, opt_mb_lmax, "max macroblock quantiser scale (VBR)", "q"),
    with_arg("qdiff", V | X, opt_qdiff, "max difference between the quantiser scale (VBR)", "q"),
    with_arg("qblur", V | X, store_float<&S::video_qblur>, "video quantiser scale blur (VBR)", "blur"),
    with_arg("qsquish", V | X, opt_qsquish,
             "how to keep quantiser between qmin and qmax (0 = clip, 1 = use differentiable function)",
             "squish"),
    with_arg("qcomp", V | X, store_float<&S::video_qcomp>, "video quantiser scale compression (VBR)",
             "compression"),
    with_arg("rc_init_cplx", V | X, store_float<&S::video_rc_initial_cplx>,
             "initial complexity for 1-pass encoding", "complexity"),
    with_arg("b_qfactor", V | X, store_float<&S::video_b_qfactor>, "qp factor between p and b frames",
             "factor"),
    with_arg("i_qfactor", V | X, store_float<&S::video_i_qfactor>, "qp factor between p and i frames",
             "factor"),
    with_arg("b_qoffset", V | X, store_float<&S::video_b_qoffset>, "qp offset between p and b frames",
             "offset"),
    with_arg("i_qoffset", V | X, store_float<&S::video_i_qoffset>, "qp offset between p and i frames",
             "offset"),
    with_arg("ibias", V | X, store_int<&S::video_intra_quant_bias>, "intra quant bias", "bias"),
    with_arg("pbias", V | X, store_int<&S::video_inter_quant_bias>, "inter quant bias", "bias"),
    with_arg("rc_eq", V | X, store_text<&S::video_rc_eq>, "set rate control equation", "equation"),
    with_arg("rc_override", V | X, store_text<&S::video_rc_override_string>,
             "rate control override for specific intervals", "override"),
    with_arg("bt", V, store_scaled<&S::video_bit_rate_tolerance, 1000>,
             "set video bitrate tolerance (in kbit/s)", "tolerance"),
    with_arg("maxrate", V, store_scaled<&S::video_rc_max_rate, 1000>,
             "set max video bitrate tolerance (in kbit/s)", "bitrate"),
    with_arg("minrate", V, store_scaled<&S::video_rc_min_rate, 1000>,
             "set min video bitrate tolerance (in kbit/s)", "bitrate"),
    with_arg("bufsize", V, store_scaled<&S::video_rc_buffer_size, 8192>,
             "set ratecontrol buffer size (in kByte)", "size"),
    with_arg("vcodec", V, opt_video_codec, "force video codec ('copy' to copy stream)", "codec"),
    with_arg("me", V | X, opt_motion_estimation, "set motion estimation method", "method"),
    with_arg("dct_algo", V | X, store_int<&S::dct_algo>, "set dct algo", "algo"),
    with_arg("idct_algo", V | X, store_int<&S::idct_algo>, "set idct algo", "algo"),
    with_arg("me_threshold", V | X, store_int<&S::me_threshold>, "motion estimaton threshold",
             "threshold"),
    with_arg("mb_threshold", V | X, store_int<&S::mb_threshold>, "macroblock threshold", "threshold"),
    with_arg("er", V | X, store_int<&S::error_resilience>, "set error resilience", "n"),
    with_arg("ec", V | X, store_int<&S::error_concealment>, "set error concealment", "bit_mask"),
    with_arg("bf", V, opt_b_frames, "use 'frames' B frames", "frames"),
    flag("hq", V, &S::use_hq, "activate high quality settings"),
    with_arg("mbd", V | X, store_int<&S::mb_decision>, "macroblock decision", "mode"),
    with_arg("mbcmp", V | X, store_int<&S::mb_cmp>, "macroblock compare function", "cmp function"),
    with_arg("ildctcmp", V | X, store_int<&S::ildct_cmp>, "ildct compare function", "cmp function"),
    with_arg("subcmp", V | X, store_int<&S::sub_cmp>, "subpel compare function", "cmp function"),
    with_arg("cmp", V | X, store_int<&S::cmp>, "fullpel compare function", "cmp function"),
    with_arg("precmp", V | X, store_int<&S::pre_cmp>, "pre motion estimation compare function",
             "cmp function"),
    with_arg("preme", V | X, store_int<&S::pre_me>, "pre motion estimation", ""),
    with_arg("lelim", V | X, opt_luma_elim, "single coefficient elimination threshold for luminance",
             "elim"),
    with_arg("celim", V | X, opt_chroma_elim, "single coefficient elimination threshold for chroma",
             "elim"),
    with_arg("lumi_mask", V | X, store_float<&S::lumi_mask>, "luminance masking", ""),
    with_arg("dark_mask", V | X, store_float<&S::dark_mask>, "darkness masking", ""),
    with_arg("scplx_mask", V | X, store_float<&S::scplx_mask>, "spatial complexity masking", ""),
    with_arg("tcplx_mask", V | X, store_float<&S::tcplx_mask>, "temporal complexity masking", ""),
    with_arg("p_mask", V | X, store_float<&S::p_mask>, "inter masking", ""),
    flag("4mv", V | X, &S::use_4mv, "use four motion vector by macroblock (MPEG4)"),
    flag("obmc", V | X, &S::use_obmc, "use overlapped block motion compensation (h263+)"),
    flag("lf", V | X, &S::use_loop, "use loop filter (h263+)"),
    flag("part", V | X, &S::use_part, "use data partitioning (MPEG4)"),
    with_arg("bug", V | X, store_int<&S::workaround_bugs>, "workaround not auto detected encoder bugs",
             "param"),
    with_arg("ps", V | X, store_int<&S::rtp_payload_size>, "set packet size in bits", "size"),
    with_arg("error", V | X, store_int<&S::error_rate>, "error rate", "rate"),
    with_arg("strict", V | X, store_int<&S::strict>, "how strictly to follow the standards", "strictness"),
    flag("sameq", V, &S::same_quality, "use same video quality as source (implies VBR)"),
    with_arg("pass", V, opt_pass, "select the pass number (1 or 2)", "n"),
    text("passlogfile", V | X, &S::pass_logfilename, "select two pass log file name", "file"),
    flag("deinterlace", V, &S::do_deinterlace, "deinterlace pictures"),
    flag("ildct", V | X, &S::use_interlaced_dct, "force interlaced dct support in encoder (MPEG2/MPEG4)"),
    flag("ilme", V | X, &S::use_interlaced_me,
         "force interlaced me support in encoder (MPEG2/MPEG4)"),
    flag("psnr", V | X, &S::do_psnr, "calculate PSNR of compressed frames"),
    flag("vstats", V | X, &S::do_vstats, "dump video coding statistics to file"),
    with_arg("vhook", V, opt_ignore, "insert video processing module (accepted and ignored)", "module"),
    flag("aic", V | X, &S::use_aic, "enable Advanced intra coding (h263+)"),
    flag("aiv", V | X, &S::use_aiv, "enable Alternative inter vlc (h263+)"),
    flag("umv", V | X, &S::use_umv, "enable Unlimited Motion Vector (h263+)"),
    flag("ssm", V | X, &S::use_ss, "enable Slice Structured mode (h263+)"),
    flag("alt", V | X, &S::use_alt_scan, "enable alternate scantable (MPEG2/MPEG4)"),
    flag("qprd", V | X, &S::use_qprd, ""),
    flag("cbp", V | X, &S::use_cbp, ""),
    flag("trell", V | X, &S::use_trell, "enable trellis quantization"),
    flag("mv0", V | X, &S::use_mv0, "try to encode each MB with MV=<0,0> and choose the better one"),
    flag("naq", V | X, &S::use_naq, "normalize adaptive quantization"),
    flag("cgop", V | X, &S::closed_gop, "closed gop"),
    flag("sgop", V | X, &S::strict_gop, "strict gop"),
    flag("noout", V | X, &S::no_output, "skip bitstream encoding"),
    flag("scan_offset", V | X, &S::use_scan_offset, "enable SVCD Scan Offset placeholder"),
    flag("qpel", V, &S::use_qpel, "enable 1/4-pel"),
    with_arg("intra_matrix", V | X, opt_intra_matrix, "specify intra matrix coeffs", "matrix"),
    with_arg("inter_matrix", V | X, opt_inter_matrix, "specify inter matrix coeffs", "matrix"),
    with_arg("top", V | X, store_int<&S::top_field_first>,
             "top=1/bottom=0/auto=-1 field first", ""),
    with_arg("nr", V | X, store_int<&S::noise_reduction>, "noise reduction", ""),
    with_arg("qns", V | X, store_int<&S::qns>, "quantization noise shaping", ""),
    with_arg("sc_threshold", V | X, store_int<&S::sc_threshold>, "scene change threshold",
             "threshold"),
    with_arg("me_range", V | X, store_int<&S::me_range>, "limit motion vectors range (1023 for DivX player)",
             "range"),
    integer("dc", V | X, &S::intra_dc_precision, "intra_dc_precision", "precision"),
    integer("coder", V | X, &S::coder, "coder type", ""),
    integer("context", V | X, &S::context, "context model", ""),
    integer("pred", V | X, &S::predictor, "prediction method", ""),
    integer("vprofile", V | X, &S::video_profile, "profile", ""),
    integer("vlevel", V | X, &S::video_level, "level", ""),
    integer("nssew", V | X, &S::nsse_weight, "weight", ""),
    integer("subq", V | X, &S::subpel_quality, "", ""),
    integer("lowres", V | X, &S::lowres, "", ""),
    with_arg("vtag", V | X, opt_video_tag, "force video tag/fourcc", "fourcc/tag"),
    integer("skip_threshold", V | X, &S::frame_skip_threshold, "frame skip threshold", "threshold"),
    integer("skip_factor", V | X, &S::frame_skip_factor, "frame skip factor", "factor"),
    integer("skip_exp", V | X, &S::frame_skip_exp, "frame skip exponent", "exponent"),
    integer("skip_cmp", V | X, &S::frame_skip_cmp, "frame skip compare function", "compare function"),

    // audio
    with_arg("ab", A, store_scaled<&S::audio_bit_rate, 1000>, "set audio bitrate (in kbit/s)",
             "bitrate"),
    with_arg("ar", A, store_int<&S::audio_sample_rate>, "set audio sampling rate (in Hz)", "rate"),
    with_arg("ac", A, store_int<&S::audio_channels>, "set number of audio channels", "channels"),
    flag("an", A, &S::audio_disable, "disable audio"),
    with_arg("acodec", A, opt_audio_codec, "force audio codec ('copy' to copy stream)", "codec"),
    with_arg("atag", A | X, opt_audio_tag, "force audio tag/fourcc", "fourcc/tag"),
    integer("vol", A, &S::audio_volume, "change audio volume (100=normal)", "volume"),

    // capture
    with_arg("vd", V | G, store_text<&S::video_device>, "set video grab device", "device"),
    with_arg("vc", V | G, store_int<&S::video_channel>, "set video grab channel (DV1394 only)",
             "channel"),
    with_arg("tvstd", V | G, store_text<&S::video_standard>, "set television standard (NTSC, PAL (SECAM))",
             "standard"),
    with_arg("ad", A | G, store_text<&S::audio_device>, "set audio device", "device"),
    with_arg("grab", G, opt_grab, "request grabbing using", "format"),
    with_arg("gd", G, store_text<&S::grab_device>, "set grab device", "device"),

    // muxer
    integer("muxrate", X, &S::mux_rate, "set mux rate", "rate"),
    integer("packetsize", X, &S::mux_packet_size, "set packet size", "size"),
    real("muxdelay", X, &S::mux_max_delay, "set the maximum demux-decode delay", "seconds"),
    real("muxpreload", X, &S::mux_preload, "set the initial demux-decode delay", "seconds"),
    with_arg("muxab", X, store_scaled<&S::mux_audio_bit_rate, 1000>,
             "set the audio bit rate the file declares (in kbit/s)", "bitrate"),
    with_arg("muxvb", X, store_scaled<&S::mux_video_bit_rate, 1000>,
             "set the video bit rate the file declares (in kbit/s)", "bitrate"),
};

constexpr int kOptionCount = static_cast<int>(sizeof kOptions / sizeof kOptions[0]);

const OptionEntry* find_option(const char* name) {
  for (const OptionEntry& row : kOptions) {
    if (std::strcmp(row.name, name) == 0) return &row;
  }
  return nullptr;
}

// The kind tests go in a fixed order: string, boolean, integer, float, handler.
void apply(const OptionEntry& row, const char* arg) {
  if (row.flags & OPT_STRING) {
    g_settings.*std::get<TextField>(row.target) = arg;
  } else if (row.flags & OPT_BOOL) {
    g_settings.*std::get<BoolField>(row.target) = true;
  } else if (row.flags & OPT_INT) {
    g_settings.*std::get<IntField>(row.target) = parse_int_lenient(arg);
  } else if (row.flags & OPT_FLOAT) {
    g_settings.*std::get<FloatField>(row.target) = parse_float_lenient(arg);
  } else {
    std::get<OptionHandler>(row.target)(arg);
  }
}

}  // namespace

int option_count() { return kOptionCount; }

OptionInfo option_info(int index) {
  const OptionEntry& row = kOptions[index];
  return {row.name, row.flags, row.help, row.arg_name ? row.arg_name : ""};
}

bool parse_arguments(int argc, char** argv) {
  const char* program = argc > 0 && argv[0] ? argv[0] : "";
  int index = 1;
  while (index < argc) {
    const char* element = argv[index++];
    if (!element) continue;
    if (element[0] != '-' || element[1] == '\0') {
      open_output_file(element);
      continue;
    }
    const OptionEntry* row = find_option(element + 1);
    if (!row) {
      std::fprintf(stderr, "A>%s: unrecognized option '%s'\n", program, element);
      return false;
    }
    const char* arg = nullptr;
    if (row->flags & OPT_HAS_ARG) {
      if (index >= argc || !argv[index]) {
        std::fprintf(stderr, "A>%s: missing argument for option '%s'\n", program, element);
        return false;
      }
      arg = argv[index++];
    }
    apply(*row, arg);
  }
  return true;
}

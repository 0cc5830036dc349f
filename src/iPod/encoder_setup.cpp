#include "iPod/encoder_setup.h"

#include <cstdio>
#include <cstring>
#include <string>

extern "C" {
#include <libavutil/channel_layout.h>
#include <libavutil/opt.h>
}

#include "iPod/engine_internal.h"
#include "iPod/stream_plan.h"

namespace {

// Sets an encoder's own option when it has one of that name; others ignore it.
void set_option(AVCodecContext* enc, const char* name, int64_t value) {
  av_opt_set_int(enc, name, value, AV_OPT_SEARCH_CHILDREN);
}
void set_option(AVCodecContext* enc, const char* name, double value) {
  av_opt_set_double(enc, name, value, AV_OPT_SEARCH_CHILDREN);
}
void set_option(AVCodecContext* enc, const char* name, const char* value) {
  av_opt_set(enc, name, value, AV_OPT_SEARCH_CHILDREN);
}
void set_flag(AVCodecContext* enc, const char* name, const char* flag, bool on) {
  if (on) av_opt_set(enc, name, (std::string("+") + flag).c_str(), AV_OPT_SEARCH_CHILDREN);
}

uint16_t* matrix_copy(const QuantMatrix& m) {
  auto* out = static_cast<uint16_t*>(av_malloc(sizeof(uint16_t) * 64));
  if (out) std::memcpy(out, m.data(), sizeof(uint16_t) * 64);
  return out;
}

}  // namespace

std::optional<std::vector<RcOverride>> parse_rc_override(std::string_view text) {
  std::vector<RcOverride> out;
  std::string rest(text);
  size_t pos = 0;
  while (pos <= rest.size() && !rest.empty()) {
    const size_t slash = rest.find('/', pos);
    const std::string item = rest.substr(pos, slash == std::string::npos ? std::string::npos : slash - pos);
    int start = 0, end = 0, q = 0;
    if (std::sscanf(item.c_str(), "%d,%d,%d", &start, &end, &q) != 3) return std::nullopt;
    RcOverride o{};
    o.start_frame = start;
    o.end_frame = end;
    if (q > 0) {
      o.qscale = q;
      o.quality_factor = 1.0f;
    } else {
      o.qscale = 0;
      o.quality_factor = -q / 100.0f;
    }
    out.push_back(o);
    if (slash == std::string::npos) break;
    pos = slash + 1;
  }
  return out;
}

int64_t encoder_audio_bit_rate(int ab, int channels, std::string_view encoder_name) {
  return encoder_name == "aac" ? static_cast<int64_t>(ab) * channels : ab;
}

void apply_video_settings(AVCodecContext* enc, const EngineSettings& s) {
  const AVCodec* codec = enc->codec;
  enc->bit_rate = s.video_bit_rate;
  enc->bit_rate_tolerance = s.video_bit_rate_tolerance;
  AVRational rate = s.frame_rate;
  if (codec && codec->supported_framerates) rate = nearest_frame_rate(rate, codec->supported_framerates);
  enc->framerate = rate;
  enc->time_base = av_inv_q(rate);
  enc->width = s.frame_width + s.pad_left + s.pad_right;
  enc->height = s.frame_height + s.pad_top + s.pad_bottom;
  if (s.frame_width > 0)
    enc->sample_aspect_ratio = av_d2q(static_cast<double>(s.frame_aspect_ratio) * s.frame_height / s.frame_width, 255);
  enc->pix_fmt = s.frame_pix_fmt;
  if (codec && codec->pix_fmts) {
    bool listed = false;
    for (const AVPixelFormat* f = codec->pix_fmts; *f != AV_PIX_FMT_NONE; ++f) listed |= *f == s.frame_pix_fmt;
    if (!listed) enc->pix_fmt = codec->pix_fmts[0];
  }
  if (enc->pix_fmt == AV_PIX_FMT_NONE) enc->pix_fmt = AV_PIX_FMT_YUV420P;
  enc->gop_size = s.intra_only ? 0 : s.gop_size;
  if (s.video_qscale != 0.0f || s.same_quality) {
    enc->flags |= AV_CODEC_FLAG_QSCALE;
    enc->global_quality = static_cast<int>(FF_QP2LAMBDA * s.video_qscale);
  }
  if (s.intra_matrix) enc->intra_matrix = matrix_copy(*s.intra_matrix);
  if (s.inter_matrix) enc->inter_matrix = matrix_copy(*s.inter_matrix);
  if (s.bitexact) enc->flags |= AV_CODEC_FLAG_BITEXACT;
  enc->mb_decision = s.mb_decision;
  enc->mb_cmp = s.mb_cmp;
  enc->ildct_cmp = s.ildct_cmp;
  enc->me_sub_cmp = s.sub_cmp;
  enc->me_cmp = s.cmp;
  enc->me_pre_cmp = s.pre_cmp;
  set_option(enc, "mepre", static_cast<int64_t>(s.pre_me));
  enc->lumi_masking = s.lumi_mask;
  enc->dark_masking = s.dark_mask;
  enc->spatial_cplx_masking = s.scplx_mask;
  enc->temporal_cplx_masking = s.tcplx_mask;
  enc->p_masking = s.p_mask;
  set_option(enc, "quantizer_noise_shaping", static_cast<int64_t>(s.qns));
  if (s.use_4mv) enc->flags |= AV_CODEC_FLAG_4MV;
  if (s.use_loop) enc->flags |= AV_CODEC_FLAG_LOOP_FILTER;
  if (s.use_qpel) enc->flags |= AV_CODEC_FLAG_QPEL;
  if (s.use_aic) enc->flags |= AV_CODEC_FLAG_AC_PRED;
  if (s.use_interlaced_dct) enc->flags |= AV_CODEC_FLAG_INTERLACED_DCT;
  if (s.use_interlaced_me) enc->flags |= AV_CODEC_FLAG_INTERLACED_ME;
  if (s.closed_gop) enc->flags |= AV_CODEC_FLAG_CLOSED_GOP;
  if (s.do_psnr) enc->flags |= AV_CODEC_FLAG_PSNR;
  if (s.no_output) enc->flags2 |= AV_CODEC_FLAG2_NO_OUTPUT;
  if (s.use_obmc) set_option(enc, "obmc", int64_t{1});
  if (s.use_part) set_option(enc, "data_partitioning", int64_t{1});
  if (s.use_aiv) set_option(enc, "aiv", int64_t{1});
  if (s.use_umv) set_option(enc, "umv", int64_t{1});
  if (s.use_ss) set_option(enc, "structured_slices", int64_t{1});
  if (s.use_alt_scan) set_option(enc, "alternate_scan", int64_t{1});
  if (s.use_scan_offset) set_option(enc, "scan_offset", int64_t{1});
  if (s.use_trell) enc->trellis = 1;
  set_flag(enc, "mpv_flags", "qp_rd", s.use_qprd);
  set_flag(enc, "mpv_flags", "cbp_rd", s.use_cbp);
  set_flag(enc, "mpv_flags", "mv0", s.use_mv0);
  set_flag(enc, "mpv_flags", "naq", s.use_naq);
  set_flag(enc, "mpv_flags", "strict_gop", s.strict_gop);
  if (s.b_frames) {
    enc->max_b_frames = s.b_frames;
    set_option(enc, "b_strategy", int64_t{0});
    enc->b_quant_factor = 2.0f;
  }
  enc->qmin = s.video_qmin;
  enc->qmax = s.video_qmax;
  set_option(enc, "lmin", static_cast<int64_t>(s.video_lmin));
  set_option(enc, "lmax", static_cast<int64_t>(s.video_lmax));
  enc->mb_lmin = s.video_mb_lmin;
  enc->mb_lmax = s.video_mb_lmax;
  enc->max_qdiff = s.video_qdiff;
  set_option(enc, "rc_qsquish", static_cast<double>(s.video_qsquish));
  set_option(enc, "luma_elim_threshold", static_cast<int64_t>(s.luma_elim_threshold));
  set_option(enc, "chroma_elim_threshold", static_cast<int64_t>(s.chroma_elim_threshold));
  enc->qblur = s.video_qblur;
  enc->qcompress = s.video_qcomp;
  set_option(enc, "rc_eq", s.video_rc_eq.c_str());
  enc->debug = s.debug;
  enc->thread_count = s.thread_count;
  enc->rc_buffer_size = s.video_rc_buffer_size;
  enc->rc_max_rate = s.video_rc_max_rate;
  enc->rc_min_rate = s.video_rc_min_rate;
  enc->rc_initial_buffer_occupancy = s.video_rc_buffer_size * 3 / 4;
  set_option(enc, "rc_buf_aggressivity", static_cast<double>(s.video_rc_buffer_aggressivity));
  set_option(enc, "rc_init_cplx", static_cast<double>(s.video_rc_initial_cplx));
  enc->i_quant_factor = s.video_i_qfactor;
  enc->b_quant_factor = s.video_b_qfactor;
  enc->i_quant_offset = s.video_i_qoffset;
  enc->b_quant_offset = s.video_b_qoffset;
  if (s.video_intra_quant_bias != 999999) set_option(enc, "ibias", static_cast<int64_t>(s.video_intra_quant_bias));
  if (s.video_inter_quant_bias != 999999) set_option(enc, "pbias", static_cast<int64_t>(s.video_inter_quant_bias));
  enc->dct_algo = s.dct_algo;
  enc->idct_algo = s.idct_algo;
  enc->intra_dc_precision = s.intra_dc_precision - 8;
  enc->strict_std_compliance = s.strict;
  set_option(enc, "error_rate", static_cast<int64_t>(s.error_rate));
  set_option(enc, "noise_reduction", static_cast<int64_t>(s.noise_reduction));
  set_option(enc, "sc_threshold", static_cast<int64_t>(s.sc_threshold));
  enc->me_range = s.me_range;
  set_option(enc, "coder", static_cast<int64_t>(s.coder));
  set_option(enc, "context", static_cast<int64_t>(s.context));
  set_option(enc, "pred", static_cast<int64_t>(s.predictor));
  if (s.video_profile != -99) enc->profile = s.video_profile;
  if (s.video_level != -99) enc->level = s.video_level;
  enc->nsse_weight = s.nsse_weight;
  enc->me_subpel_quality = s.subpel_quality;
  set_option(enc, "skip_threshold", static_cast<int64_t>(s.frame_skip_threshold));
  set_option(enc, "skip_factor", static_cast<int64_t>(s.frame_skip_factor));
  set_option(enc, "skip_exp", static_cast<int64_t>(s.frame_skip_exp));
  set_option(enc, "skip_cmp", static_cast<int64_t>(s.frame_skip_cmp));

  if (!s.video_rc_override_string.empty()) {
    const auto overrides = parse_rc_override(s.video_rc_override_string);
    if (!overrides) {
      std::fputs("A>error parsing rc_override\n", stderr);
      engine_fail();
    }
    enc->rc_override = static_cast<RcOverride*>(av_malloc_array(overrides->size(), sizeof(RcOverride)));
    if (!enc->rc_override) engine_fail();
    std::memcpy(enc->rc_override, overrides->data(), overrides->size() * sizeof(RcOverride));
    enc->rc_override_count = static_cast<int>(overrides->size());
  }
  if (s.rtp_payload_size) set_option(enc, "ps", static_cast<int64_t>(s.rtp_payload_size));
  // Motion-estimation methods by their position in "zero full log phods epzs x1"; today's
  // encoders keep zero, epzs and x1 (xone).
  static constexpr const char* kMotionEst[] = {nullptr, "zero", nullptr, nullptr, nullptr, "epzs", "xone"};
  if (s.me_method >= 1 && s.me_method <= 6 && kMotionEst[s.me_method]) set_option(enc, "motion_est", kMotionEst[s.me_method]);
  if (s.do_pass == 1) enc->flags |= AV_CODEC_FLAG_PASS1;
  if (s.do_pass == 2) enc->flags |= AV_CODEC_FLAG_PASS2;
}

void apply_audio_settings(AVCodecContext* enc, const EngineSettings& s) {
  const AVCodec* codec = enc->codec;
  const char* name = codec ? codec->name : "";
  const int channels = output_channel_count(s.audio_channels > 0 ? s.audio_channels : 1, name);
  enc->bit_rate = encoder_audio_bit_rate(s.audio_bit_rate, channels, name);
  enc->strict_std_compliance = s.strict;
  enc->thread_count = s.thread_count;
  av_channel_layout_uninit(&enc->ch_layout);
  av_channel_layout_default(&enc->ch_layout, channels);
  enc->sample_rate = s.audio_sample_rate;
  enc->time_base = AVRational{1, s.audio_sample_rate > 0 ? s.audio_sample_rate : 1};
  enc->sample_fmt = (codec && codec->sample_fmts) ? codec->sample_fmts[0] : AV_SAMPLE_FMT_S16;
  if (codec && codec->sample_fmts) {
    for (const AVSampleFormat* f = codec->sample_fmts; *f != AV_SAMPLE_FMT_NONE; ++f)
      if (*f == AV_SAMPLE_FMT_S16) enc->sample_fmt = AV_SAMPLE_FMT_S16;
  }
}

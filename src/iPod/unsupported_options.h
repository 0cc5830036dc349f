// Options that are parsed and stored but have no effect with today's libraries, and why.
//
// Every other encoder and decoder option reaches the codec: either through the codec-context
// field that still exists (bit rates, quantiser limits, masks, compare functions, flags, matrices,
// thread count...) or, where the field moved into the encoders, through the encoder's own option
// of the same meaning, set by name ("lmin", "lmax", "rc_eq", "rc_qsquish", "rc_init_cplx",
// "rc_buf_aggressivity", "luma_elim_threshold", "chroma_elim_threshold", "quantizer_noise_shaping",
// "mepre", "motion_est", "ibias", "pbias", "error_rate", "noise_reduction", "sc_threshold",
// "skip_threshold", "skip_factor", "skip_exp", "skip_cmp", "ps", "mpv_flags" +qp_rd +cbp_rd +mv0
// +naq +strict_gop, "obmc", "data_partitioning", "aiv", "umv", "structured_slices",
// "alternate_scan", "scan_offset", "coder", "context", "pred", "b_strategy"). An encoder that has
// no such option ignores it, as the XviD encoder ignores most of them.
//
// | option            | stored in                      | why it does nothing                                              |
// |-------------------|--------------------------------|------------------------------------------------------------------|
// | -me_threshold     | EngineSettings::me_threshold   | the encoders' pre-pass threshold and the decoders' motion-vector |
// |                   |                                | debug bit were removed; it still keeps the input picture types   |
// | -mb_threshold     | EngineSettings::mb_threshold   | removed from the libraries with the above                        |
// | -me full/log/phods| EngineSettings::me_method      | today's encoders keep only zero, epzs and x1 ("xone")            |
// | -hq               | EngineSettings::use_hq         | the old high-quality flag has no successor (-mbd covers it)      |
// | -er               | EngineSettings::error_resilience| the decoders' resilience level is gone; err_recognition means   |
// |                   |                                | something else (which checks make decoding fail)                 |
// | -vismv            | EngineSettings::debug_mv       | motion-vector drawing moved out of the decoders into a filter    |
// | -img              | EngineSettings::image_format   | the separate image-format layer no longer exists; image files    |
// |                   |                                | are ordinary formats chosen with -f                              |
// | -vhook            | (ignored by the parser)        | video hooks were removed from the libraries                      |
// | -loop, -vd, -ad   | EngineSettings                 | stored only, as they always were                                 |
// | -benchmark        | EngineSettings::do_benchmark   | the timing line is written in every run anyway                   |
// | -dframes          | EngineSettings::max_data_frames| no output ever carries a data stream, so the limit never applies |
//
// Two values behave differently from the old libraries and are worth knowing:
// - -ab with the native AAC encoder: that encoder takes the total rate of all channels, so it is
//   given -ab x channels; the container still declares -ab (or -muxab) as the track's rate, raised
//   by the MP4 writer to at least the encoder's rate and the measured average.
// - the shared encoded-video buffer (bit_buffer_size) is gone: encoders allocate their packets.
#pragma once

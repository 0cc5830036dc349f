// First half of a transcode: which input stream feeds each output stream, the conversions each
// pair needs, two-pass files, encoders, decoders, start times, metadata and headers.
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>

extern "C" {
#include <libavutil/channel_layout.h>
#include <libavutil/opt.h>
}

#include "common/av_error.h"
#include "iPod/engine_settings.h"
#include "iPod/host_hooks.h"
#include "iPod/timing.h"
#include "iPod/transcode.h"

namespace {

int channels_of(const AVCodecParameters* par) { return par->ch_layout.nb_channels; }

bool decoder_mixes_down(AVCodecID id) {
  return id == AV_CODEC_ID_AC3 || id == AV_CODEC_ID_EAC3 || id == AV_CODEC_ID_DTS;
}

// A 16-bit interleaved to 16-bit interleaved resampler; with compensation allowed when the audio
// sync method adjusts drift (a resampler made without it re-initialises itself on the first
// compensation and loses what it buffered).
av::SwrPtr make_resampler(int out_channels, int out_rate, int in_channels, int in_rate, int async) {
  AVChannelLayout out_layout, in_layout;
  av_channel_layout_default(&out_layout, out_channels);
  av_channel_layout_default(&in_layout, in_channels);
  SwrContext* swr = nullptr;
  const int ret = swr_alloc_set_opts2(&swr, &out_layout, AV_SAMPLE_FMT_S16, out_rate, &in_layout, AV_SAMPLE_FMT_S16,
                                      in_rate, 0, nullptr);
  av::SwrPtr owned(swr);
  av_channel_layout_uninit(&out_layout);
  av_channel_layout_uninit(&in_layout);
  if (ret < 0 || !swr) return nullptr;
  if (async > 1) av_opt_set_double(swr, "min_comp", 0.001, 0);
  if (swr_init(swr) < 0) return nullptr;
  return owned;
}

}  // namespace

// The audio conversion plan of one encoded output fed by `ist` with the decoder's current format.
// Used at set-up and again when the decoder changes its rate or channel count.
void plan_audio_output(OutputStreamState& ost, InputStreamState& ist, int in_rate, int in_channels) {
  const int out_channels = ost.enc->ch_layout.nb_channels;
  const AudioResamplePlan plan = plan_audio_resample(in_channels, in_rate, out_channels, ost.enc->sample_rate, false,
                                                     g_settings.audio_sync_method);
  ost.audio_resample = plan.resample;
  ost.resampler.reset();
  if (ost.audio_resample) {
    ost.resampler = make_resampler(out_channels, ost.enc->sample_rate, in_channels, in_rate, g_settings.audio_sync_method);
    if (!ost.resampler) {
      std::fputs("A>Can't resample.  Aborting.\n", stderr);
      ENGINE_ABORT();
    }
  }
  ist.last_sample_rate = in_rate;
  ist.last_channels = in_channels;
}

namespace {

bool choose_sources(Transcode& t) {
  EngineRun& run = engine_run();
  const auto& maps = g_settings.stream_maps;
  size_t total = 0;
  for (const auto& out : run.outputs) total += out->streams.size();
  if (!maps.empty() && maps.size() != total) {
    std::fputs("A>Number of stream maps must match number of output streams\n", stderr);
    return false;
  }
  for (const StreamMap& m : maps) {
    if (m.file_index < 0 || m.file_index >= static_cast<int>(run.inputs.size()) || m.stream_index < 0 ||
        m.stream_index >= static_cast<int>(run.inputs[m.file_index]->ctx()->nb_streams)) {
      std::fprintf(stderr, "A>Could not find input stream #%d.%d\n", m.file_index, m.stream_index);
      return false;
    }
  }
  size_t position = 0;
  for (size_t f = 0; f < run.outputs.size(); ++f) {
    OutputFile& out = *run.outputs[f];
    for (size_t s = 0; s < out.streams.size(); ++s, ++position) {
      OutputStreamSetup& setup = out.streams[s];
      OutputStreamState o;
      o.file_index = static_cast<int>(f);
      o.index = static_cast<int>(s);
      o.st = setup.st;
      o.enc = setup.enc.get();
      o.setup = &setup;
      o.type = setup.type;
      o.stream_copy = setup.stream_copy;
      int source = -1;
      if (!maps.empty()) {
        const StreamMap& m = maps[position];
        source = run.inputs[m.file_index]->first_stream + m.stream_index;
        if (t.ist[source].st->codecpar->codec_type != o.type) {
          std::fprintf(stderr, "A>Codec type mismatch for mapping #%d.%d -> #%d.%d\n", m.file_index, m.stream_index,
                       o.file_index, o.index);
          return false;
        }
      } else {
        int last = -1;
        for (size_t i = 0; i < t.ist.size(); ++i) {
          if (t.ist[i].st->codecpar->codec_type != o.type || t.ist[i].st->discard == AVDISCARD_ALL) continue;
          last = static_cast<int>(i);
          if (t.ist[i].discard) {
            source = static_cast<int>(i);
            break;
          }
        }
        if (source < 0) source = last;
        if (source < 0) {
          std::fprintf(stderr, "A>Could not find input stream matching output stream #%d.%d\n", o.file_index, o.index);
          return false;
        }
      }
      o.source = source;
      t.ist[source].discard = false;
      t.ost.push_back(std::move(o));
    }
  }
  return true;
}

void plan_copy(OutputStreamState& ost, InputStreamState& ist) {
  AVCodecParameters* par = ost.st->codecpar;
  const uint32_t tag = par->codec_tag;
  avcodec_parameters_copy(par, ist.st->codecpar);
  par->codec_tag = tag;  // only what the output asked for; the muxer picks its own otherwise
  ost.st->time_base = ist.st->time_base;
  if (ost.type == AVMEDIA_TYPE_AUDIO) {
    if (ost.setup->copy_sample_rate > 0) par->sample_rate = ost.setup->copy_sample_rate;
    ist.last_sample_rate = par->sample_rate;
    ist.last_channels = channels_of(par);
  } else {
    ost.st->avg_frame_rate = ist.st->avg_frame_rate;
  }
}

void plan_video(OutputStreamState& ost, const InputStreamState& ist) {
  const OutputStreamSetup& s = *ost.setup;
  const Bands crop{s.crop_top, s.crop_bottom, s.crop_left, s.crop_right};
  const Bands pad{s.pad_top, s.pad_bottom, s.pad_left, s.pad_right};
  const AVCodecParameters* in = ist.st->codecpar;
  ost.picture_work = plan_picture(in->width, in->height, ost.enc->width, ost.enc->height, crop, pad);
  ost.in_width = in->width;
  ost.in_height = in->height;
}

bool open_pass_files(OutputStreamState& ost, int position) {
  AVCodecContext* enc = ost.enc;
  if (!(enc->flags & (AV_CODEC_FLAG_PASS1 | AV_CODEC_FLAG_PASS2))) return true;
  const std::string prefix = g_settings.pass_logfilename.empty() ? "ffmpeg2pass" : g_settings.pass_logfilename;
  const std::string name = prefix + "-" + std::to_string(position) + ".log";
  if (enc->flags & AV_CODEC_FLAG_PASS1) {
    ost.pass1_log.reset(std::fopen(name.c_str(), "w"));
    if (!ost.pass1_log) {
      std::fprintf(stderr, "%s: %s\n", name.c_str(), std::strerror(errno));
      return false;
    }
  } else {
    std::ifstream in(name, std::ios::binary);
    if (!in) {
      std::fprintf(stderr, "%s: %s\n", name.c_str(), std::strerror(errno));
      return false;
    }
    std::ostringstream text;
    text << in.rdbuf();
    // The encoder reads the statistics while it is open; OutputFile frees them with the encoder.
    enc->stats_in = av_strdup(text.str().c_str());
    if (!enc->stats_in) {
      std::fputs("A>Could not allocate log buffer\n", stderr);
      return false;
    }
  }
  return true;
}

bool open_encoder(Transcode& t, OutputStreamState& ost) {
  AVCodecContext* enc = ost.enc;
  if (avcodec_open2(enc, enc->codec, nullptr) < 0) {
    std::fprintf(stderr,
                 "A>Error while opening codec for output stream #%d.%d - maybe incorrect parameters such as "
                 "bit_rate, rate, width or height\n",
                 ost.file_index, ost.index);
    return false;
  }
  avcodec_parameters_from_context(ost.st->codecpar, enc);
  ost.st->time_base = enc->time_base;
  if (ost.type == AVMEDIA_TYPE_VIDEO) ost.st->avg_frame_rate = enc->framerate;
  t.extra_size += enc->extradata_size;

  // The bit rate the container declares for the track travels as the stream's CPB properties.
  const OutputFile& out = *engine_run().outputs[ost.file_index];
  const int declared = ost.type == AVMEDIA_TYPE_VIDEO ? out.mux_video_bit_rate : out.mux_audio_bit_rate;
  if (declared > 0) {
    size_t size = 0;
    AVCPBProperties* props = av_cpb_properties_alloc(&size);
    if (!props) return false;
    props->max_bitrate = declared;
    if (av_stream_add_side_data(ost.st, AV_PKT_DATA_CPB_PROPERTIES, reinterpret_cast<uint8_t*>(props), size) < 0) {
      av_free(props);
      return false;
    }
  }

  if (ost.type == AVMEDIA_TYPE_AUDIO) {
    const int channels = enc->ch_layout.nb_channels;
    ost.fifo.reset(av_audio_fifo_alloc(AV_SAMPLE_FMT_S16, channels, 262144 / (2 * channels)));
    ost.audio_frame.reset(av_frame_alloc());
    if (!ost.fifo || !ost.audio_frame) return false;
  }
  return true;
}

bool open_decoder(InputStreamState& ist, const InputStreamSetup& setup) {
  const AVCodec* codec = avcodec_find_decoder(ist.st->codecpar->codec_id);
  if (!codec) {
    std::fprintf(stderr, "A>Unsupported codec (id=%d) for input stream #%d.%d\n", ist.st->codecpar->codec_id,
                 ist.file_index, ist.st_index);
    return false;
  }
  ist.dec.reset(avcodec_alloc_context3(codec));
  if (!ist.dec || avcodec_parameters_to_context(ist.dec.get(), ist.st->codecpar) < 0) return false;
  AVCodecContext* dec = ist.dec.get();
  dec->pkt_timebase = ist.st->time_base;
  dec->thread_count = setup.thread_count;
  if (dec->codec_type == AVMEDIA_TYPE_VIDEO) {
    dec->workaround_bugs = setup.workaround_bugs;
    dec->error_concealment = setup.error_concealment;
    dec->idct_algo = setup.idct_algo;
    dec->debug = setup.debug;
    dec->lowres = setup.lowres;
    if (setup.bitexact) dec->flags |= AV_CODEC_FLAG_BITEXACT;
  }
  if (setup.downmix_channels > 0) {
    AVChannelLayout layout;
    av_channel_layout_default(&layout, setup.downmix_channels);
    char text[64] = {};
    av_channel_layout_describe(&layout, text, sizeof text);
    av_opt_set(dec, "downmix", text, AV_OPT_SEARCH_CHILDREN);
  }
  if (avcodec_open2(dec, codec, nullptr) < 0) {
    std::fprintf(stderr, "A>Error while opening codec for input stream #%d.%d\n", ist.file_index, ist.st_index);
    return false;
  }
  ist.frame.reset(av_frame_alloc());
  return ist.frame != nullptr;
}

}  // namespace

bool set_up_transcode(Transcode& t) {
  EngineRun& run = engine_run();
  stop_requested = 0;
  t.packet.reset(av_packet_alloc());
  t.out_packet.reset(av_packet_alloc());
  if (!t.packet || !t.out_packet) return false;

  for (size_t f = 0; f < run.inputs.size(); ++f) {
    InputFile& in = *run.inputs[f];
    in.first_stream = static_cast<int>(t.ist.size());
    for (unsigned s = 0; s < in.ctx()->nb_streams; ++s) {
      InputStreamState ist;
      ist.file_index = static_cast<int>(f);
      ist.st_index = static_cast<int>(s);
      ist.st = in.ctx()->streams[s];
      t.ist.push_back(std::move(ist));
    }
  }
  if (!choose_sources(t)) return false;

  int position = 0;
  for (OutputStreamState& ost : t.ost) {
    InputStreamState& ist = t.ist[ost.source];
    InputStreamSetup& in_setup = run.inputs[ist.file_index]->streams[ist.st_index];
    if (ost.stream_copy) {
      plan_copy(ost, ist);
    } else if (ost.type == AVMEDIA_TYPE_AUDIO) {
      const AVCodecParameters* par = ist.st->codecpar;
      int in_channels = channels_of(par);
      const int out_channels = ost.enc->ch_layout.nb_channels;
      if (in_channels != out_channels && decoder_mixes_down(par->codec_id)) {
        in_setup.downmix_channels = out_channels;
        in_channels = out_channels;
      }
      plan_audio_output(ost, ist, par->sample_rate, in_channels);
      ost.encoding_needed = true;
      ist.decoding_needed = true;
    } else if (ost.type == AVMEDIA_TYPE_VIDEO) {
      plan_video(ost, ist);
      ost.encoding_needed = true;
      ist.decoding_needed = true;
    } else {
      ENGINE_ABORT();
    }
    if (ost.encoding_needed && !open_pass_files(ost, position)) return false;
    ++position;
  }

  // The streams show their encoder's parameters in the description below.
  for (OutputStreamState& ost : t.ost)
    if (ost.encoding_needed && ost.enc->codec) avcodec_parameters_from_context(ost.st->codecpar, ost.enc);
  for (size_t f = 0; f < run.outputs.size(); ++f)
    if (g_settings.verbose >= 0) av_dump_format(run.outputs[f]->ctx(), static_cast<int>(f), run.outputs[f]->filename.c_str(), 1);
  if (g_settings.verbose >= 0) {
    std::fputs("Stream mapping:\n", stderr);
    for (const OutputStreamState& ost : t.ost)
      std::fprintf(stderr, "  Stream #%d.%d -> #%d.%d\n", t.ist[ost.source].file_index, t.ist[ost.source].st_index,
                   ost.file_index, ost.index);
  }

  for (OutputStreamState& ost : t.ost) {
    if (!ost.encoding_needed) continue;
    if (!ost.enc->codec) {
      std::fprintf(stderr, "A>Unsupported codec for output stream #%d.%d\n", ost.file_index, ost.index);
      return false;
    }
    if (!open_encoder(t, ost)) return false;
  }
  for (InputStreamState& ist : t.ist) {
    if (!ist.decoding_needed) continue;
    if (!open_decoder(ist, run.inputs[ist.file_index]->streams[ist.st_index])) return false;
    if (run.inputs[ist.file_index]->streams[ist.st_index].rate_emu) ist.emu_start = engine_clock_micros();
  }

  for (InputStreamState& ist : t.ist) {
    ist.pts = 0;
    ist.next_pts = ist.st->start_time != AV_NOPTS_VALUE ? timing::to_micros(ist.st->start_time, ist.st->time_base) : 0;
    if (run.inputs[ist.file_index]->ts_offset) ist.next_pts = AV_NOPTS_VALUE;
    ist.is_start = true;
  }

  for (const MetaDataMap& m : g_settings.meta_data_maps) {
    if (m.out_file < 0 || m.out_file >= static_cast<int>(run.outputs.size())) {
      std::fprintf(stderr, "A>Invalid output file index %d map_meta_data(%d,%d)\n", m.out_file, m.out_file, m.in_file);
      return false;
    }
    if (m.in_file < 0 || m.in_file >= static_cast<int>(run.inputs.size())) {
      std::fprintf(stderr, "A>Invalid input file index %d map_meta_data(%d,%d)\n", m.in_file, m.out_file, m.in_file);
      return false;
    }
    av_dict_copy(&run.outputs[m.out_file]->ctx()->metadata, run.inputs[m.in_file]->ctx()->metadata, 0);
  }

  for (size_t f = 0; f < run.outputs.size(); ++f) {
    if (avformat_write_header(run.outputs[f]->ctx(), nullptr) < 0) {
      std::fprintf(stderr, "A>Could not write header for output file #%zu (incorrect codec parameters ?)\n", f);
      return false;
    }
    run.outputs[f]->header_written = true;
  }
  return true;
}

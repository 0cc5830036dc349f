// Audio output end to end: start alignment by silence or by dropping, resampling to the encoder.
#include <gtest/gtest.h>

#include <cmath>

#include "iPod/engine_fixture.h"

using namespace engine_test;

namespace {

// Root mean square of the first audio stream's decoded samples between t0 and t1 seconds
// (0 = silence; a sine of amplitude a gives a / sqrt 2).
double audio_rms(const std::string& path, double t0, double t1) {
  AVFormatContext* ic = nullptr;
  if (avformat_open_input(&ic, path.c_str(), nullptr, nullptr) < 0) return -1;
  avformat_find_stream_info(ic, nullptr);
  const int index = av_find_best_stream(ic, AVMEDIA_TYPE_AUDIO, -1, -1, nullptr, 0);
  double sum = 0;
  int64_t count = 0;
  if (index >= 0) {
    AVCodecContext* dec = avcodec_alloc_context3(avcodec_find_decoder(ic->streams[index]->codecpar->codec_id));
    avcodec_parameters_to_context(dec, ic->streams[index]->codecpar);
    dec->pkt_timebase = ic->streams[index]->time_base;
    if (avcodec_open2(dec, dec->codec, nullptr) >= 0) {
      AVPacket* pkt = av_packet_alloc();
      AVFrame* frame = av_frame_alloc();
      int64_t position = 0;  // samples decoded so far: the output's own clock from 0
      auto drain = [&] {
        while (avcodec_receive_frame(dec, frame) >= 0) {
          for (int i = 0; i < frame->nb_samples; ++i, ++position) {
            const double t = static_cast<double>(position) / frame->sample_rate;
            if (t < t0 || t >= t1) continue;
            const float v = reinterpret_cast<const float*>(frame->extended_data[0])[i];
            sum += v * v;
            ++count;
          }
        }
      };
      while (av_read_frame(ic, pkt) >= 0) {
        if (pkt->stream_index == index && avcodec_send_packet(dec, pkt) >= 0) drain();
        av_packet_unref(pkt);
      }
      avcodec_send_packet(dec, nullptr);
      drain();
      av_frame_free(&frame);
      av_packet_free(&pkt);
    }
    avcodec_free_context(&dec);
  }
  avformat_close_input(&ic);
  return count ? std::sqrt(sum / count) : -1;
}

TEST(EngineAudio, LateInputStartsWithSilence) {
  const auto in = media_dir() / "late_audio.nut";
  ASSERT_TRUE(ffmpeg("-f lavfi -i testsrc=size=160x120:rate=25 -itsoffset 0.5 -f lavfi -i "
                     "sine=frequency=440:sample_rate=48000 -t 2 -c:v mpeg4 -c:a pcm_s16le -ac 2 " + in.string()));
  const std::string out = media_dir() / "late_audio.mp4";
  const RunResult r =
      run_engine(Args{"-i", in, "-vcodec", "xvid", "-acodec", "aac", "-ac", "2", "-ab", "32", "-ar", "24000", "-y", out});
  ASSERT_EQ(r.code, 2) << r.err;
  EXPECT_LT(audio_rms(out, 0.0, 0.45), 0.01) << "the half second before the input's first sample is silence";
  EXPECT_GT(audio_rms(out, 0.6, 1.4), 0.05);  // the generator's sine has amplitude 1/8
}

TEST(EngineAudio, EarlyInputLosesItsHead) {
  // Silence for 0.3 s, then a tone; the input offset moves it 0.3 s before the output's start,
  // so the silent part is dropped and the output starts with the tone.
  const auto in = media_dir() / "early_audio.wav";
  ASSERT_TRUE(ffmpeg("-f lavfi -i \"aevalsrc=if(gte(t\\,0.3)\\,0.5*sin(2*PI*440*t)\\,0):s=48000:c=stereo:d=2\" " + in.string()));
  const std::string out = media_dir() / "early_audio.mp4";
  const RunResult r = run_engine(Args{"-itsoffset", "-0.3", "-i", in, "-acodec", "aac", "-ac", "2", "-ab", "32", "-ar",
                                      "24000", "-y", out});
  ASSERT_EQ(r.code, 2) << r.err;
  EXPECT_GT(audio_rms(out, 0.05, 0.25), 0.2) << "the early head was kept instead of dropped";
}

TEST(EngineAudio, RateChangeMidStreamIsResampledFromThenOn) {
  const auto a = media_dir() / "rate_a.ts", b = media_dir() / "rate_b.ts", joined = media_dir() / "rate_change.ts";
  ASSERT_TRUE(ffmpeg("-f lavfi -i sine=sample_rate=48000:frequency=440 -t 2 -c:a mp2 -ac 2 -f mpegts " + a.string()));
  // The second part follows on in time (2 s later, after the first part's 1.4 s start).
  ASSERT_TRUE(ffmpeg("-f lavfi -i sine=sample_rate=44100:frequency=440 -t 2 -c:a mp2 -ac 2 -output_ts_offset 3.4 "
                     "-f mpegts " + b.string()));
  ASSERT_EQ(std::system(("cat " + a.string() + " " + b.string() + " > " + joined.string()).c_str()), 0);
  const std::string out = media_dir() / "rate_change.m4a";
  const RunResult r = run_engine(Args{"-i", joined, "-acodec", "aac", "-ac", "2", "-ab", "32", "-ar", "24000", "-y", out});
  ASSERT_EQ(r.code, 2) << r.err;
  const std::string line = "\nChanged audio rate : sample_rate:44100  channels:2\n";
  const size_t at = r.err.find(line);
  ASSERT_NE(at, std::string::npos) << r.err;
  EXPECT_EQ(r.err.find(line, at + 1), std::string::npos) << "one line per change";
  const FileProbe p = probe(out);
  ASSERT_TRUE(p.first(AVMEDIA_TYPE_AUDIO));
  EXPECT_EQ(p.first(AVMEDIA_TYPE_AUDIO)->sample_rate, 24000);
  EXPECT_NEAR(p.first(AVMEDIA_TYPE_AUDIO)->seconds, 5.4, 0.1) << "both parts at the output rate";
  EXPECT_GT(audio_rms(out, 4.0, 5.0), 0.05) << "the second part is heard";
}

}  // namespace

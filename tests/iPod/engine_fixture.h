// Shared helpers of the engine's end-to-end tests: media generated with the ffmpeg program into a
// temporary folder, an argument vector builder, stderr capture and an output prober.
#pragma once

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <unistd.h>
#include <vector>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
}

#include "iPod/engine.h"

namespace engine_test {

// This process's scratch folder, removed when the process ends.
inline std::filesystem::path media_dir() {
  struct Scratch {
    std::filesystem::path dir;
    Scratch() : dir(std::filesystem::path(::testing::TempDir()) / ("dorvane_engine_" + std::to_string(::getpid()))) {
      std::filesystem::create_directories(dir);
    }
    ~Scratch() {
      std::error_code ignored;
      std::filesystem::remove_all(dir, ignored);
    }
  };
  static const Scratch scratch;
  return scratch.dir;
}

// Inputs that many test processes share, made once and kept between runs.
inline std::filesystem::path shared_media_dir() {
  static const std::filesystem::path dir = [] {
    auto d = std::filesystem::path(::testing::TempDir()) / "dorvane_engine_media";
    std::filesystem::create_directories(d);
    return d;
  }();
  return dir;
}

// Runs the ffmpeg program quietly; true on success.
inline bool ffmpeg(const std::string& args) {
  const std::string cmd = "ffmpeg -nostdin -v error -y " + args + " > /dev/null 2>&1";
  return std::system(cmd.c_str()) == 0;
}

// A DVD-like MPEG-2 / AC-3 program stream, 720x480 at 29.97 fps, 48 kHz stereo. Made under a
// temporary name and renamed, so that test processes running side by side never read half a file.
inline std::string dvd_like_program(double seconds = 4) {
  const auto path = shared_media_dir() / ("program_" + std::to_string(static_cast<int>(seconds * 10)) + ".mpg");
  if (!std::filesystem::exists(path)) {
    const auto part = media_dir() / path.filename();
    std::ostringstream args;
    args << "-f lavfi -i testsrc=size=720x480:rate=30000/1001 -f lavfi -i sine=frequency=440:sample_rate=48000 -t "
         << seconds << " -c:v mpeg2video -b:v 3M -c:a ac3 -ac 2 -b:a 192k -f vob " << part;
    if (!ffmpeg(args.str())) return {};
    std::error_code error;
    std::filesystem::rename(part, path, error);
    if (error && !std::filesystem::exists(path)) return {};
  }
  return path;
}

// An engine argument vector; argv[0] is the program-name slot.
class Args {
 public:
  Args(std::initializer_list<std::string> items) {
    text_.push_back("dorvane-engine");
    text_.insert(text_.end(), items);
  }
  void add(const std::string& item) { text_.push_back(item); }
  int argc() const { return static_cast<int>(text_.size()); }
  char** argv() {
    ptrs_.clear();
    for (auto& t : text_) ptrs_.push_back(t.data());
    ptrs_.push_back(nullptr);
    return ptrs_.data();
  }

 private:
  std::vector<std::string> text_;
  std::vector<char*> ptrs_;
};

// The host's vector for one title: -i, -title, xvid, rate, -fixaspect, aspect, size, volume,
// maxrate, bit rate, aac, channels, per-channel audio rate, 24000 Hz, -muxvb, duration, output.
inline Args host_vector(const std::string& input, const std::string& output, const std::string& duration,
                        const std::string& volume = "100") {
  return Args{"-i", input, "-title", "Test_Title01.01", "-vcodec", "xvid", "-r", "29.970030", "-fixaspect", "-aspect",
              "4:3", "-s", "320X240", "-vol", volume, "-maxrate", "2500", "-b", "768", "-acodec", "aac", "-ac", "2",
              "-ab", "32", "-ar", "24000", "-muxvb", "768", "-t", duration, output};
}

// Runs engine_main with the standard error stream captured.
struct RunResult {
  int code = -1;
  std::string err;
};
inline RunResult run_engine(Args args) {
  std::fflush(stderr);
  const auto log = media_dir() / ("stderr_" + std::to_string(::getpid()) + ".txt");
  const int saved = ::dup(2);
  FILE* f = std::fopen(log.c_str(), "w");
  ::dup2(::fileno(f), 2);
  RunResult r;
  r.code = engine_main(args.argc(), args.argv());
  std::fflush(stderr);
  ::dup2(saved, 2);
  ::close(saved);
  std::fclose(f);
  std::ifstream in(log);
  std::stringstream text;
  text << in.rdbuf();
  r.err = text.str();
  return r;
}

// What libavformat and libavcodec read back from an output file.
struct StreamProbe {
  AVMediaType type = AVMEDIA_TYPE_UNKNOWN;
  std::string codec;
  int width = 0, height = 0, sample_rate = 0, channels = 0;
  int profile = -99;
  bool has_extradata = false;  // global headers in the container
  int packets = 0;
  double seconds = 0;          // last packet end - first packet start
  bool reordered = false;      // some packet had pts != dts (B-frames)
};
struct FileProbe {
  bool opened = false;
  std::vector<StreamProbe> streams;
  std::vector<double> row_luma;  // mean luma per row of the first decoded picture of the first video stream
  std::vector<double> column_luma;  // and per column

  const StreamProbe* first(AVMediaType type) const {
    for (const auto& s : streams)
      if (s.type == type) return &s;
    return nullptr;
  }
};

inline FileProbe probe(const std::string& path) {
  FileProbe p;
  AVFormatContext* ic = nullptr;
  if (avformat_open_input(&ic, path.c_str(), nullptr, nullptr) < 0) return p;
  if (avformat_find_stream_info(ic, nullptr) < 0) {
    avformat_close_input(&ic);
    return p;
  }
  p.opened = true;
  std::vector<int64_t> first(ic->nb_streams, AV_NOPTS_VALUE), last_end(ic->nb_streams, 0);
  for (unsigned i = 0; i < ic->nb_streams; ++i) {
    StreamProbe s;
    const AVCodecParameters* par = ic->streams[i]->codecpar;
    s.type = par->codec_type;
    s.codec = avcodec_get_name(par->codec_id);
    s.width = par->width;
    s.height = par->height;
    s.sample_rate = par->sample_rate;
    s.channels = par->ch_layout.nb_channels;
    s.profile = par->profile;
    s.has_extradata = par->extradata_size > 0;
    p.streams.push_back(s);
  }
  int video = av_find_best_stream(ic, AVMEDIA_TYPE_VIDEO, -1, -1, nullptr, 0);
  AVCodecContext* dec = nullptr;
  if (video >= 0) {
    dec = avcodec_alloc_context3(avcodec_find_decoder(ic->streams[video]->codecpar->codec_id));
    avcodec_parameters_to_context(dec, ic->streams[video]->codecpar);
    if (avcodec_open2(dec, dec->codec, nullptr) < 0) avcodec_free_context(&dec);
  }
  AVPacket* pkt = av_packet_alloc();
  AVFrame* frame = av_frame_alloc();
  while (av_read_frame(ic, pkt) >= 0) {
    const int i = pkt->stream_index;
    StreamProbe& s = p.streams[i];
    ++s.packets;
    if (pkt->pts != pkt->dts) s.reordered = true;
    if (first[i] == AV_NOPTS_VALUE) first[i] = pkt->pts;
    last_end[i] = std::max(last_end[i], pkt->pts + pkt->duration);
    if (i == video && dec && p.row_luma.empty() && avcodec_send_packet(dec, pkt) >= 0 &&
        avcodec_receive_frame(dec, frame) >= 0) {
      for (int y = 0; y < frame->height; ++y) {
        double sum = 0;
        for (int x = 0; x < frame->width; ++x) sum += frame->data[0][y * frame->linesize[0] + x];
        p.row_luma.push_back(sum / frame->width);
      }
      for (int x = 0; x < frame->width; ++x) {
        double sum = 0;
        for (int y = 0; y < frame->height; ++y) sum += frame->data[0][y * frame->linesize[0] + x];
        p.column_luma.push_back(sum / frame->height);
      }
    }
    av_packet_unref(pkt);
  }
  for (unsigned i = 0; i < ic->nb_streams; ++i)
    if (first[i] != AV_NOPTS_VALUE) p.streams[i].seconds = (last_end[i] - first[i]) * av_q2d(ic->streams[i]->time_base);
  av_frame_free(&frame);
  av_packet_free(&pkt);
  avcodec_free_context(&dec);
  avformat_close_input(&ic);
  return p;
}

// The maximum bit rates the MP4 declares in its elementary stream descriptors ("esds"), in track
// order.
inline std::vector<uint32_t> declared_max_bit_rates(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream buf;
  buf << in.rdbuf();
  const std::string d = buf.str();
  std::vector<uint32_t> out;
  auto byte = [&](size_t i) { return static_cast<uint8_t>(d[i]); };
  for (size_t at = d.find("esds"); at != std::string::npos; at = d.find("esds", at + 4)) {
    size_t i = at + 8;  // box type, version and flags
    // ES descriptor (tag 3): length, id, flags; then the decoder config descriptor (tag 4).
    auto skip_length = [&] { while (i < d.size() && (byte(i) & 0x80)) ++i; ++i; };
    if (i >= d.size() || byte(i) != 3) continue;
    ++i;
    skip_length();
    i += 3;
    if (i >= d.size() || byte(i) != 4) continue;
    ++i;
    skip_length();
    i += 2 + 3;  // object type, stream type, buffer size
    if (i + 4 > d.size()) break;
    out.push_back(static_cast<uint32_t>(byte(i)) << 24 | byte(i + 1) << 16 | byte(i + 2) << 8 | byte(i + 3));
  }
  return out;
}

inline int open_descriptor_count() {
  int n = 0;
  for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator("/proc/self/fd")) ++n;
  return n;
}

}  // namespace engine_test

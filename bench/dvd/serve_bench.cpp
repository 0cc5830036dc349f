// Reads one title of a disc through the frame server to its end, the way the engine reads its
// input (probe, then every packet), and prints what it got and how fast.
//
//   serve_bench <disc folder> [title set from 1] [title from 1]
//
// Uses the configuration folder of $DORVANE_HOME (the script file and the parameters go there).
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "common/av_error.h"
#include "common/av_ptr.h"
#include "frameserver/frame_server.h"
#include "frameserver/server_parameters.h"
#include "platform/config_folder.h"
#include "platform/registry.h"

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: serve_bench <disc folder> [title set] [title]\n");
    return 2;
  }
  const int set = argc > 2 ? std::atoi(argv[2]) : 1;
  const int title = argc > 3 ? std::atoi(argv[3]) : 1;
  if (!platform::ensure_config_folder()) return 1;
  const std::string script = platform::config_folder() + "/video.avs";
  if (FILE* f = std::fopen(script.c_str(), "w")) std::fclose(f);
  const std::string key = frameserver::kParameterKey;
  const std::pair<const char*, std::string> values[] = {
      {"path", argv[1]}, {"audio", "0"}, {"subtitle", "0"}, {"title set", std::to_string(title - 1)},
      {"title", std::to_string(set - 1)}, {"start", "0.000000"}, {"end", "0.000000"}, {"force", "0"},
      {"synth", "1"}, {"fps", "3"}};
  for (const auto& [name, text] : values)
    if (!platform::registry_set_string(key + "\\" + name, "", text)) return 1;

  const auto started = std::chrono::steady_clock::now();
  AVFormatContext* ctx = nullptr;
  int ret = frameserver::open_frame_server_input(script.c_str(), &ctx);
  if (ret < 0) {
    std::fprintf(stderr, "open failed: %s\n", av::error_text(ret).c_str());
    return 1;
  }
  ret = avformat_find_stream_info(ctx, nullptr);
  long pictures = 0, samples = 0;
  av::PacketPtr packet(av_packet_alloc());
  while ((ret = av_read_frame(ctx, packet.get())) >= 0) {
    if (ctx->streams[packet->stream_index]->codecpar->codec_type == AVMEDIA_TYPE_VIDEO) ++pictures;
    else samples += packet->size / 4;
    av_packet_unref(packet.get());
  }
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
  frameserver::close_frame_server_input(ctx);
  std::printf("pictures %ld, sound %.3f s, %.2f s, %.1f pictures/s, ended with %s\n", pictures, samples / 48000.0,
              seconds, pictures / seconds, av::error_text(ret).c_str());
  return ret == AVERROR_EOF ? 0 : 1;
}

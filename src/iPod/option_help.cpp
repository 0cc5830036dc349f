// The information options: -h, -L, -version and -formats. Each prints to the error stream (where
// every engine text goes) and ends the process with status 1, as a command line would; a host
// running the engine in-process never passes them.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "iPod/option_handlers.h"
#include "iPod/options.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/avutil.h>
#include <libswresample/swresample.h>
#include <libswscale/swscale.h>
}

namespace {

void print_version_line(const char* library, unsigned version) {
  std::fprintf(stderr, "  %-13s %u.%u.%u\n", library, version >> 16, (version >> 8) & 0xff, version & 0xff);
}

void print_banner() {
  std::fputs("Dorvane engine: DVD titles to MP4 (MPEG-4 video, AAC audio)\n", stderr);
}

[[noreturn]] void end_process() {
  std::fflush(stderr);
  std::exit(1);
}

// One help group: rows whose masked flags equal `value`.
void print_group(const char* heading, unsigned mask, unsigned value) {
  bool first = true;
  for (int i = 0; i < option_count(); ++i) {
    const OptionInfo row = option_info(i);
    if ((row.flags & mask) != value) continue;
    if (first) {
      std::fputs(heading, stderr);
      first = false;
    }
    std::string shown(row.name);
    if (row.flags & OPT_HAS_ARG) {
      shown += ' ';
      shown += row.arg_name;
    }
    std::fprintf(stderr, "-%-17s  %.*s\n", shown.c_str(), static_cast<int>(row.help.size()), row.help.data());
  }
}

}  // namespace

void print_option_help() {
  // Capture rows form their own group, so each option is listed once.
  const unsigned mask = OPT_EXPERT | OPT_VIDEO | OPT_AUDIO | OPT_GRAB;
  print_group("Main options:\n", mask, 0);
  print_group("\nVideo options:\n", mask, OPT_VIDEO);
  print_group("\nAdvanced Video options:\n", mask, OPT_VIDEO | OPT_EXPERT);
  print_group("\nAudio options:\n", mask, OPT_AUDIO);
  print_group("\nAdvanced Audio options:\n", mask, OPT_AUDIO | OPT_EXPERT);
  print_group("\nAudio/Video grab options:\n", OPT_GRAB, OPT_GRAB);
  print_group("\nAdvanced options:\n", mask, OPT_EXPERT);
}

void opt_show_help(const char*) {
  print_banner();
  std::fputs("usage: dorvane-engine [[infile options] -i infile]... {[outfile options] outfile}...\n\n",
             stderr);
  print_option_help();
  end_process();
}

void opt_show_license(const char*) {
  print_banner();
  std::fputs(
      "\nThis program converts video with the FFmpeg libraries, which are free software\n"
      "under the GNU Lesser General Public License; the XviD encoder they use is under the\n"
      "GNU General Public License. This program is distributed in the hope that it will be\n"
      "useful, but WITHOUT ANY WARRANTY; without even the implied warranty of\n"
      "MERCHANTABILITY or FITNESS FOR A PARTICULAR PURPOSE.\n",
      stderr);
  end_process();
}

void opt_show_version(const char*) {
  print_banner();
  print_version_line("libavutil", avutil_version());
  print_version_line("libavcodec", avcodec_version());
  print_version_line("libavformat", avformat_version());
  print_version_line("libswscale", swscale_version());
  print_version_line("libswresample", swresample_version());
  end_process();
}

void opt_show_formats(const char*) {
  std::fputs("File formats:\n", stderr);
  {
    void* it = nullptr;
    while (const AVInputFormat* f = av_demuxer_iterate(&it)) {
      std::fprintf(stderr, " D  %-15s %s\n", f->name, f->long_name ? f->long_name : "");
    }
    it = nullptr;
    while (const AVOutputFormat* f = av_muxer_iterate(&it)) {
      std::fprintf(stderr, "  E %-15s %s\n", f->name, f->long_name ? f->long_name : "");
    }
  }

  std::fputs("\nImage formats:\n", stderr);
  {
    void* it = nullptr;
    while (const AVInputFormat* f = av_demuxer_iterate(&it)) {
      const size_t n = std::strlen(f->name);
      if (n > 5 && std::strcmp(f->name + n - 5, "_pipe") == 0) {
        std::fprintf(stderr, " D  %.*s\n", static_cast<int>(n - 5), f->name);
      }
    }
  }

  std::fputs("\nCodecs:\n", stderr);
  {
    void* it = nullptr;
    while (const AVCodec* c = av_codec_iterate(&it)) {
      const char type = c->type == AVMEDIA_TYPE_VIDEO   ? 'V'
                        : c->type == AVMEDIA_TYPE_AUDIO ? 'A'
                        : c->type == AVMEDIA_TYPE_SUBTITLE ? 'S'
                                                           : ' ';
      std::fprintf(stderr, " %c%c%c %s\n", av_codec_is_decoder(c) ? 'D' : ' ',
                   av_codec_is_encoder(c) ? 'E' : ' ', type, c->name);
    }
  }

  std::fputs("\nSupported file protocols:\n", stderr);
  {
    void* it = nullptr;
    while (const char* name = avio_enum_protocols(&it, 0)) std::fprintf(stderr, " %s:", name);
    std::fputs("\n", stderr);
  }

  std::fputs("\nFrame size, frame rate abbreviations:\n"
             " ntsc pal qntsc qpal sntsc spal film ntsc-film sqcif qcif cif 4cif\n",
             stderr);
  std::fputs("\nMotion estimation methods:\n", stderr);
  for (const char* name : kMotionEstimationNames) std::fprintf(stderr, " %s", name);
  std::fputs("\n", stderr);
  end_process();
}

#include "iPod/progress_line.h"

#include <cmath>
#include <cstdio>

namespace {

constexpr int64_t kReportIntervalMicros = 500000;

void append(std::string& line, const char* format, auto... values) {
  char buf[256];
  std::snprintf(buf, sizeof buf, format, values...);
  line += buf;
}

double psnr(double error, double scale) { return error > 0 && scale > 0 ? -10.0 * std::log10(error / scale) : INFINITY; }

}  // namespace

bool report_due(std::optional<int64_t>& last, int64_t now_micros) {
  if (!last) {
    last = now_micros;
    return false;
  }
  if (now_micros - *last < kReportIntervalMicros) return false;
  last = now_micros;
  return true;
}

ReportLine build_report_line(const std::vector<ReportStream>& streams, int64_t file_bytes, bool is_final, int verbose,
                             int dup, int drop) {
  ReportLine r;
  bool first_video = true;
  double smallest = 1e10;
  for (const ReportStream& s : streams) {
    if (s.video && first_video) {
      first_video = false;
      append(r.text, "frame=%5d q=%2.1f ", static_cast<int>(s.frames), s.quality);
      if (is_final) r.text += "L";
      if (s.psnr) {
        r.text += "PSNR=";
        double error_sum = 0, scale_sum = 0;
        static constexpr char kPlanes[] = {'Y', 'U', 'V'};
        for (int p = 0; p < 3; ++p) {
          const double scale = p ? s.psnr_scale * 0.25 : s.psnr_scale;
          append(r.text, "%c:%2.2f ", kPlanes[p], psnr(s.psnr_error[p], scale));
          error_sum += s.psnr_error[p];
          scale_sum += scale;
        }
        append(r.text, "*:%2.2f ", psnr(error_sum, scale_sum));
      }
    } else if (s.video) {
      append(r.text, "q=%2.1f ", s.quality);
    }
    if (s.seconds > 0 && s.seconds < smallest) smallest = s.seconds;
  }
  r.time = smallest < 0.01 ? 0.01 : smallest;
  if (verbose == 0 && !is_final) return r;
  const double bytes = static_cast<double>(file_bytes);
  append(r.text, "size=%8.0fkB time=%0.1f bitrate=%6.1fkbits/s", bytes / 1024, r.time, bytes * 8 / r.time / 1000);
  if (verbose > 1) append(r.text, " dup=%d drop=%d", dup, drop);
  r.call_hook = verbose >= 0;
  return r;
}

// The progress report's throttle and line, as plain functions of the run's numbers.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

struct ReportStream {
  bool video = false;
  int64_t frames = 0;         // frames written (video)
  double quality = 0;         // last coded quality in quantiser units (lambda / 118)
  double seconds = 0;         // the stream's current output time
  bool psnr = false;          // the encoder computes PSNR
  double psnr_error[3] = {};  // squared errors: the last picture's, or the run's for the final line
  double psnr_scale = 0;      // width x height x 65025 (x frames for the final line)
};

struct ReportLine {
  std::string text;
  double time = 0.01;  // seconds, at least 0.01
  bool call_hook = false;
};

// True when a non-final report is due now; the first call of the process only starts the clock.
// last: time of the last report (microseconds), updated when a report is due.
bool report_due(std::optional<int64_t>& last, int64_t now_micros);

ReportLine build_report_line(const std::vector<ReportStream>& streams, int64_t file_bytes, bool is_final, int verbose,
                             int dup, int drop);

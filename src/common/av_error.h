// AVERROR codes to text in one place (av_err2str is a C compound literal and not usable in C++).
#pragma once

#include <string>

extern "C" {
#include <libavutil/error.h>
}

namespace av {

inline std::string error_text(int averror) {
  char buf[AV_ERROR_MAX_STRING_SIZE] = {};
  if (av_strerror(averror, buf, sizeof buf) < 0) return "error " + std::to_string(averror);
  return buf;
}

}  // namespace av

// The report's throttle and line, the log sink's prefix, and volume scaling.
#include <gtest/gtest.h>

#include <climits>
#include <cstdio>
#include <string>
#include <unistd.h>

#include "iPod/engine_settings.h"
#include "iPod/log_sink.h"
#include "iPod/progress_line.h"
#include "iPod/transcode.h"

namespace {

TEST(ReportThrottle, FirstCallStartsTheClockThenHalfSecondSteps) {
  std::optional<int64_t> last;
  EXPECT_FALSE(report_due(last, 1000000)) << "the very first call never reports";
  EXPECT_FALSE(report_due(last, 1499999));
  EXPECT_TRUE(report_due(last, 1500000));
  EXPECT_FALSE(report_due(last, 1700000)) << "two requests within 500 ms: only the first reports";
  EXPECT_TRUE(report_due(last, 2000000));
}

std::vector<ReportStream> video_and_audio() {
  ReportStream v;
  v.video = true;
  v.frames = 42;
  v.quality = 3.5;
  v.seconds = 1.4;
  ReportStream a;
  a.seconds = 1.5;
  return {v, a};
}

TEST(ReportLine, FormatsByVerbosity) {
  ReportLine r = build_report_line(video_and_audio(), 102400, false, 1, 3, 4);
  EXPECT_EQ(r.text, "frame=   42 q=3.5 size=     100kB time=1.4 bitrate= 585.1kbits/s");
  EXPECT_TRUE(r.call_hook);
  EXPECT_DOUBLE_EQ(r.time, 1.4);

  r = build_report_line(video_and_audio(), 102400, true, 2, 3, 4);
  EXPECT_EQ(r.text, "frame=   42 q=3.5 Lsize=     100kB time=1.4 bitrate= 585.1kbits/s dup=3 drop=4");

  r = build_report_line(video_and_audio(), 102400, false, 0, 0, 0);
  EXPECT_FALSE(r.call_hook) << "-v 0 reports only at the end";
  EXPECT_TRUE(build_report_line(video_and_audio(), 102400, true, 0, 0, 0).call_hook);
  EXPECT_FALSE(build_report_line(video_and_audio(), 102400, true, -1, 0, 0).call_hook);
}

TEST(ReportLine, AudioOnlyAndNoTimeYet) {
  ReportStream a;
  const ReportLine r = build_report_line({a}, 0, false, 1, 0, 0);
  EXPECT_EQ(r.text.find("frame="), std::string::npos);
  EXPECT_DOUBLE_EQ(r.time, 1e10) << "no positive stream time yet";
  ReportStream tiny;
  tiny.seconds = 0.001;
  EXPECT_DOUBLE_EQ(build_report_line({tiny}, 0, false, 1, 0, 0).time, 0.01);
}

TEST(Volume, ScalesTruncatesAndClips) {
  struct Case { int volume; int16_t in; int16_t out; };
  for (const Case c : {Case{100, 12345, 12345}, Case{150, 30000, 32767}, Case{150, -30000, -32768}, Case{50, -3, -1},
                       Case{50, 3, 1}, Case{0, -32768, 0}, Case{200, -20000, -32768}}) {
    int16_t s = c.in;
    apply_volume(&s, 1, c.volume);
    EXPECT_EQ(s, c.out) << c.volume << "% of " << c.in;
  }
}

std::string captured_log(int level, const char* text) {
  std::fflush(stderr);
  FILE* tmp = std::tmpfile();
  const int saved = ::dup(2);
  ::dup2(::fileno(tmp), 2);
  engine_log(nullptr, level, "%s", text);
  std::fflush(stderr);
  ::dup2(saved, 2);
  ::close(saved);
  std::rewind(tmp);
  char buf[256] = {};
  const size_t n = std::fread(buf, 1, sizeof buf - 1, tmp);
  std::fclose(tmp);
  return std::string(buf, n);
}

TEST(LogSink, ErrorsGetThePrefixAndTheLevelFilters) {
  const int saved = engine_log_level;
  engine_log_level = 1;
  EXPECT_EQ(captured_log(0, "bad\n"), "A>bad\n");
  EXPECT_EQ(captured_log(1, "note\n"), "note\n");
  EXPECT_EQ(captured_log(2, "detail\n"), "");
  engine_log_level = saved;
  EXPECT_EQ(engine_level_of_library_level(AV_LOG_ERROR), 0);
  EXPECT_EQ(engine_level_of_library_level(AV_LOG_WARNING), 1);
  EXPECT_EQ(engine_level_of_library_level(AV_LOG_DEBUG), 3);
}

}  // namespace

#include "iPod/engine_state.h"

#include <cstdio>

#include "iPod/engine_internal.h"

InputFile::InputFile(AVFormatContext* ctx, const InputReader* reader, int64_t offset)
    : ts_offset(offset), ctx_(ctx), has_reader_(reader != nullptr) {
  if (reader) reader_ = *reader;
}

InputFile::~InputFile() {
  if (!ctx_) return;
  if (has_reader_) {
    reader_.close(ctx_, reader_.opaque);
  } else {
    avformat_close_input(&ctx_);
  }
}

int OutputFile::close_io() {
  if (!ctx_ || !ctx_->pb || (ctx_->oformat->flags & AVFMT_NOFILE)) return 0;
  return avio_closep(&ctx_->pb);
}

OutputFile::~OutputFile() {
  close_io();
  for (auto& s : streams)
    if (s.enc) av_freep(&s.enc->stats_in);
  streams.clear();  // encoders before the context that owns the streams
  avformat_free_context(ctx_);
}

EngineRun& engine_run() {
  static EngineRun run;
  return run;
}

void engine_abort(const char* file, int line) {
  std::fprintf(stderr, "Abort at %s:%d\n", file, line);
  engine_fail();
}

#include "frameserver/unit_writer.h"

#include <cmath>

#include "common/av_error.h"

namespace frameserver {

UnitWriter::UnitWriter(std::unique_ptr<NutStream> nut, const dvd::StreamInfo& info, bool synth_silence)
    : nut_(std::move(nut)), info_(info), synth_silence_(synth_silence), pictures_(info.frame_rate) {}

bool UnitWriter::put(const dvd::DecodedUnit& unit) {
  if (done_) return false;
  int ret = 0;
  switch (unit.kind) {
    case dvd::DecodedUnit::Kind::Picture:
      ret = put_picture(unit);
      break;
    case dvd::DecodedUnit::Kind::Sound:
      ret = put_sound(unit);
      break;
    case dvd::DecodedUnit::Kind::End:
      end(0, "");
      return false;
    case dvd::DecodedUnit::Kind::Error:
      end(AVERROR(EIO), unit.error.empty() ? "the title could not be decoded" : unit.error);
      return false;
  }
  if (ret < 0) {
    end(ret, "cannot serve the decoded title: " + av::error_text(ret));
    return false;
  }
  return true;
}

void UnitWriter::fail(int error, const std::string& message) {
  if (!done_) end(error, message);
}

int UnitWriter::put_picture(const dvd::DecodedUnit& unit) {
  if (!unit.frame) return AVERROR(EINVAL);
  // A picture from before the range start (decoding lead-in) is not part of the range.
  if (unit.time < -0.5 * av_q2d(av_inv_q(info_.frame_rate))) return 0;
  const int64_t pts = pictures_.stamp(unit.time);
  if (synth_silence_) {
    // Silence runs one picture ahead, so the demuxer never waits long on the quiet stream.
    const int ret = silence_until(pictures_.end_seconds());
    if (ret < 0) return ret;
  }
  return nut_->write_picture(*unit.frame, pts);
}

int UnitWriter::put_sound(const dvd::DecodedUnit& unit) {
  const AVFrame* f = unit.frame.get();
  if (!nut_->has_sound() || synth_silence_ || !f || f->nb_samples <= 0) return 0;
  if (f->format != AV_SAMPLE_FMT_S16 || f->ch_layout.nb_channels != 2 || f->sample_rate != info_.sample_rate)
    return AVERROR(EINVAL);
  const SoundPlacement at =
      place_sound(next_sample_, unit.time, info_.sample_rate, f->nb_samples, info_.sample_rate / 50);
  if (at.skip >= f->nb_samples) return 0;
  // A block that starts later than the sound so far (a cell whose sound begins after its
  // pictures) is preceded by silence: the engine reads sound as one unbroken run of samples and
  // would otherwise pull everything after the gap forward.
  if (at.pts > next_sample_) {
    const int ret = nut_->write_silence(next_sample_, at.pts);
    if (ret < 0) return ret;
  }
  const auto* samples = reinterpret_cast<const int16_t*>(f->data[0]) + 2 * at.skip;
  const int count = f->nb_samples - at.skip;
  next_sample_ = at.pts + count;
  return nut_->write_sound(samples, count, at.pts);
}

int UnitWriter::silence_until(double seconds) {
  const int64_t until = std::llround(seconds * kSynthRate);
  if (until <= next_sample_) return 0;
  const int ret = nut_->write_silence(next_sample_, until);
  next_sample_ = until;
  return ret;
}

void UnitWriter::end(int error, const std::string& message) {
  done_ = true;
  status_ = error;
  message_ = message;
  if (synth_silence_ && error == 0) {
    const int ret = silence_until(pictures_.end_seconds());
    if (ret < 0) {
      status_ = ret;
      message_ = "cannot serve the silent track: " + av::error_text(ret);
    }
  }
  const int ret = nut_->finish();
  if (ret < 0 && status_ == 0) {
    status_ = ret;
    message_ = "cannot end the served stream: " + av::error_text(ret);
  }
}

}  // namespace frameserver

// Drop/duplicate and audio alignment decisions, driven through whole picture and block sequences.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "iPod/audio_sync.h"
#include "iPod/video_sync.h"

namespace {

// Feeds `pictures` input pictures at `in_rate` to an output at `out_rate` and records n per picture.
std::vector<int> frames_per_picture(AVRational in_rate, AVRational out_rate, int pictures, int method = 1) {
  std::vector<int> out;
  int64_t sync_opts = 0;
  for (int i = 0; i < pictures; ++i) {
    const double ipts = static_cast<double>(i) * in_rate.den / in_rate.num;
    const VideoSyncDecision d = decide_video_frames(ipts, out_rate, sync_opts, method);
    out.push_back(d.frames);
    sync_opts += d.frames;
  }
  return out;
}

int count(const std::vector<int>& v, int value) { return static_cast<int>(std::count(v.begin(), v.end(), value)); }

TEST(VideoSync, SameRateKeepsEveryPicture) {
  const auto n = frames_per_picture({25, 1}, {25, 1}, 100);
  EXPECT_EQ(count(n, 1), 100);
}

TEST(VideoSync, FilmToNtscRepeatsOnePictureInFour) {
  const auto n = frames_per_picture({24000, 1001}, {30000, 1001}, 400);
  // In steady state every fourth picture stands for two frames; the rest for one.
  EXPECT_EQ(count(n, 0), 0);
  EXPECT_NEAR(count(n, 2), 100, 1);
  int total = 0;
  for (int f : n) total += f;
  EXPECT_NEAR(total, 500, 2);
  for (size_t i = 20; i + 4 < n.size(); i += 4) EXPECT_EQ(n[i] + n[i + 1] + n[i + 2] + n[i + 3], 5) << "at " << i;
}

TEST(VideoSync, NtscToPalDropsOnePictureInSix) {
  const auto n = frames_per_picture({30000, 1001}, {25, 1}, 600);
  EXPECT_EQ(count(n, 2), 0);
  EXPECT_NEAR(count(n, 0), 100, 2);
}

TEST(VideoSync, LatePictureIsRepeatedAndMethodZeroJumps) {
  int64_t sync_opts = 10;
  // Picture due at frame 13 while the output stands at 10: three frames (two repeats).
  VideoSyncDecision d = decide_video_frames(13.0 / 25, {25, 1}, sync_opts, 1);
  EXPECT_EQ(d.frames, 3);
  EXPECT_TRUE(d.duplicated);
  EXPECT_FALSE(d.dropped);
  // Early by more than 1.1 frames: dropped.
  d = decide_video_frames(8.0 / 25, {25, 1}, sync_opts, 1);
  EXPECT_EQ(d.frames, 0);
  EXPECT_TRUE(d.dropped);
  // Method 0 never drops or repeats; the output position follows the input.
  d = decide_video_frames(13.0 / 25, {25, 1}, sync_opts, 0);
  EXPECT_EQ(d.frames, 1);
  EXPECT_EQ(sync_opts, 13);
}

AudioSyncInput block(double ipts, int64_t opts, bool start, int method = 1, int bytes = 4096) {
  return AudioSyncInput{method, ipts, opts, 0, 24000, 48000, 2, bytes, start};
}

TEST(AudioSync, LateStartIsPaddedWithSilenceScaledToTheInput) {
  // 0.5 s late at 24000 Hz: 12000 output samples = 24000 input samples = 96000 bytes of silence.
  const AudioSyncDecision d = decide_audio_sync(block(0.5, 0, true));
  EXPECT_EQ(d.action, AudioSyncDecision::Action::Pad);
  EXPECT_DOUBLE_EQ(d.delta, 12000);
  EXPECT_EQ(d.bytes, 96000);
  EXPECT_TRUE(d.clears_start);
}

TEST(AudioSync, LongSilenceIsSpreadOverSeveralBlocks) {
  const AudioSyncDecision d = decide_audio_sync(block(2.0, 0, true));
  EXPECT_EQ(d.action, AudioSyncDecision::Action::Pad);
  EXPECT_EQ(d.bytes, kMaxPaddedBlockBytes - 4096);
  EXPECT_FALSE(d.clears_start);
  // Six channels: the shortened silence still holds whole sample frames.
  AudioSyncInput six = block(2.0, 0, true);
  six.in_channels = 6;
  six.block_bytes = 6000;
  EXPECT_EQ(decide_audio_sync(six).bytes % 12, 0);
}

TEST(AudioSync, EarlyStartDropsAcrossBlocks) {
  // 0.1 s early = 2400 output samples = 4800 input samples = 19200 bytes; blocks of 4096 bytes.
  AudioSyncDecision d = decide_audio_sync(block(-0.1, 0, true));
  EXPECT_EQ(d.action, AudioSyncDecision::Action::Drop);
  EXPECT_EQ(d.bytes, 4096);
  EXPECT_FALSE(d.clears_start);
  d = decide_audio_sync(block(-0.1 + 4096.0 / 4 / 48000 * 4, 0, true));
  EXPECT_EQ(d.action, AudioSyncDecision::Action::Drop);
  EXPECT_EQ(d.bytes, 19200 - 4 * 4096);
  EXPECT_TRUE(d.clears_start);
}

TEST(AudioSync, ThresholdAndMethods) {
  // Exactly 50 samples: nothing.
  EXPECT_EQ(decide_audio_sync(block(50.0 / 24000, 0, true)).action, AudioSyncDecision::Action::None);
  // Method 1 after the start: no correction however large the drift.
  EXPECT_EQ(decide_audio_sync(block(10.0, 0, false)).action, AudioSyncDecision::Action::None);
  // Method 2 with 100 samples of drift: absorb 2 samples; negative drift the other way.
  AudioSyncDecision d = decide_audio_sync(block(100.0 / 24000, 0, false, 2));
  EXPECT_EQ(d.action, AudioSyncDecision::Action::Compensate);
  EXPECT_EQ(d.compensation, 2);
  d = decide_audio_sync(block(0, 100, false, 2));
  EXPECT_EQ(d.compensation, -2);
  // Method 0: the position follows the input time, less what waits in the FIFO.
  AudioSyncInput m0 = block(1.0, 7, false, 0);
  m0.fifo_samples = 100;
  d = decide_audio_sync(m0);
  EXPECT_EQ(d.action, AudioSyncDecision::Action::SetPosition);
  EXPECT_EQ(d.position, 23900);
}

}  // namespace

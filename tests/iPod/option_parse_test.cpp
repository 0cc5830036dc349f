// Walking the argument vector: kinds, scalings, parse errors, validating handlers, reset.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "iPod/engine_internal.h"
#include "iPod/engine_state.h"
#include "option_test_support.h"

namespace fs = std::filesystem;

namespace {

using testing::internal::CaptureStderr;
using testing::internal::GetCapturedStderr;

using OptionParse = OptionTest;

TEST_F(OptionParse, StoresEachKindConvertedAndScaled) {
  EXPECT_TRUE(parse_words({"-b", "768", "-bufsize", "224", "-lmin", "2.5", "-muxdelay", "0.25",
                           "-title", "Movie", "-y", "-vol", " 42abc", "-fs", "x", "-ab", "32",
                           "-muxvb", "768", "-muxab", "64", "-qblur", "0.75", "-ar", "24000", "-ac", "2",
                           "-maxrate", "2500", "-bt", "100", "-g", "300", "-passlogfile", "stats"}));
  const EngineSettings& s = g_settings;
  EXPECT_EQ(s.video_bit_rate, 768000);
  EXPECT_EQ(s.video_rc_buffer_size, 224 * 8192);
  EXPECT_EQ(s.video_lmin, 295);  // 2.5 * 118
  EXPECT_FLOAT_EQ(s.mux_max_delay, 0.25f);
  EXPECT_EQ(s.title, "Movie");  // a copy: the vector is gone by now
  EXPECT_TRUE(s.file_overwrite);
  EXPECT_EQ(s.audio_volume, 42);
  EXPECT_EQ(s.limit_filesize, 0);
  EXPECT_EQ(s.audio_bit_rate, 32000);
  EXPECT_EQ(s.mux_video_bit_rate, 768000);
  EXPECT_EQ(s.mux_audio_bit_rate, 64000);
  EXPECT_FLOAT_EQ(s.video_qblur, 0.75f);
  EXPECT_EQ(s.audio_sample_rate, 24000);
  EXPECT_EQ(s.audio_channels, 2);
  EXPECT_EQ(s.video_rc_max_rate, 2500000);
  EXPECT_EQ(s.video_bit_rate_tolerance, 100000);
  EXPECT_EQ(s.gop_size, 300);
  EXPECT_EQ(s.pass_logfilename, "stats");
}

TEST_F(OptionParse, ScaledValuesSaturateInsteadOfWrapping) {
  EXPECT_TRUE(parse_words({"-b", "3000000", "-bufsize", "-999999", "-lmax", "1e30"}));
  EXPECT_EQ(g_settings.video_bit_rate, INT_MAX);
  EXPECT_EQ(g_settings.video_rc_buffer_size, INT_MIN);
  EXPECT_EQ(g_settings.video_lmax, INT_MAX);
}

TEST_F(OptionParse, TimesInMicrosecondsAndTimestampInSeconds) {
  EXPECT_TRUE(parse_words({"-t", "5025.50", "-ss", "00:01:02.5", "-itsoffset", "-1.5", "-timestamp",
                           "2006-01-02T03:04:05Z"}));
  EXPECT_EQ(g_settings.recording_time, 5025500000LL);
  EXPECT_EQ(g_settings.start_time, 62500000LL);
  EXPECT_EQ(g_settings.input_ts_offset, -1500000LL);
  EXPECT_EQ(g_settings.rec_timestamp, 1136171045LL);
  EXPECT_TRUE(parse_words({"-t", "soon"}));
  EXPECT_EQ(g_settings.recording_time, 0);
}

TEST_F(OptionParse, LaterValueWinsAndListsAppend) {
  EXPECT_TRUE(parse_words({"-b", "100", "-b", "200", "-map", "0:1", "-map", "0x1.07", "-map_meta_data",
                           "2:010"}));
  EXPECT_EQ(g_settings.video_bit_rate, 200000);
  ASSERT_EQ(g_settings.stream_maps.size(), 2u);
  EXPECT_EQ(g_settings.stream_maps[0].file_index, 0);
  EXPECT_EQ(g_settings.stream_maps[0].stream_index, 1);
  EXPECT_EQ(g_settings.stream_maps[1].file_index, 1);
  EXPECT_EQ(g_settings.stream_maps[1].stream_index, 7);
  ASSERT_EQ(g_settings.meta_data_maps.size(), 1u);
  EXPECT_EQ(g_settings.meta_data_maps[0].out_file, 2);
  EXPECT_EQ(g_settings.meta_data_maps[0].in_file, 8);
}

TEST_F(OptionParse, UnrecognizedOptionStopsTheParse) {
  CaptureStderr();
  EXPECT_FALSE(parse_words({"-b", "100", "-nonsense", "-b", "300"}));
  EXPECT_EQ(GetCapturedStderr(), "A>dorvane-engine: unrecognized option '-nonsense'\n");
  EXPECT_EQ(g_settings.video_bit_rate, 100000);  // the rest was ignored

  CaptureStderr();
  EXPECT_FALSE(parse_words({"-B", "300"}));  // names are case-sensitive
  EXPECT_EQ(GetCapturedStderr(), "A>dorvane-engine: unrecognized option '-B'\n");
}

TEST_F(OptionParse, MissingArgumentStopsTheParse) {
  CaptureStderr();
  EXPECT_FALSE(parse_words({"-fixaspect", "-b"}));
  EXPECT_EQ(GetCapturedStderr(), "A>dorvane-engine: missing argument for option '-b'\n");
  EXPECT_TRUE(g_settings.fix_aspect);
}

TEST_F(OptionParse, NullProgramSlotPrintsEmpty) {
  std::string option = "-what";
  char* argv[] = {nullptr, option.data(), nullptr};
  CaptureStderr();
  EXPECT_FALSE(parse_arguments(2, argv));
  EXPECT_EQ(GetCapturedStderr(), "A>: unrecognized option '-what'\n");
}

// The host's vector between its input and its output, after a 720x480 input set the size.
TEST_F(OptionParse, HostVectorAfterTheInput) {
  g_settings.frame_width = 720;
  g_settings.frame_height = 480;
  CaptureStderr();
  EXPECT_TRUE(parse_words({"-title", "A_Title01.01", "-vcodec", "xvid", "-r", "29.970030", "-fixaspect",
                           "-aspect", "4:3", "-s", "320X240", "-vol", "100", "-maxrate", "2500", "-b",
                           "768", "-acodec", "aac", "-ac", "2", "-ab", "32", "-ar", "24000", "-muxvb",
                           "768", "-t", "5025.50"}));
  EXPECT_EQ(GetCapturedStderr(), "Frame width = 320 , Frame height = 212 ,pad top = 14 ,pad bottom = 14\n");
  const EngineSettings& s = g_settings;
  EXPECT_EQ(s.title, "A_Title01.01");
  EXPECT_EQ(s.video_codec_id, AV_CODEC_ID_MPEG4);
  ASSERT_NE(s.video_codec, nullptr);
  EXPECT_STREQ(s.video_codec->name, "libxvid");
  EXPECT_EQ(s.frame_rate.num, 30000);
  EXPECT_EQ(s.frame_rate.den, 1001);
  EXPECT_FLOAT_EQ(s.frame_aspect_ratio, 4.0f / 3.0f);
  EXPECT_EQ(s.frame_width, 320);
  EXPECT_EQ(s.frame_height, 212);
  EXPECT_EQ(s.pad_top, 14);
  EXPECT_EQ(s.pad_bottom, 14);
  EXPECT_EQ(s.pad_left + s.pad_right, 0);
  EXPECT_EQ(s.audio_codec_id, AV_CODEC_ID_AAC);
  ASSERT_NE(s.audio_codec, nullptr);
  EXPECT_STREQ(s.audio_codec->name, "aac");
  EXPECT_EQ(s.audio_bit_rate, 32000);
  EXPECT_EQ(s.mux_video_bit_rate, 768000);
  EXPECT_EQ(s.recording_time, 5025500000LL);
}

TEST_F(OptionParse, WiderTargetPadsLeftAndRight) {
  g_settings.frame_width = 720;
  g_settings.frame_height = 576;
  g_settings.pad_top = 8;  // a pad from earlier is replaced by the computed ones
  CaptureStderr();
  EXPECT_TRUE(parse_words({"-fixaspect", "-s", "640x360"}));
  EXPECT_EQ(GetCapturedStderr(), "Frame width = 450 , height = 360\n");
  EXPECT_EQ(g_settings.frame_width, 450);
  EXPECT_EQ(g_settings.frame_height, 360);
  EXPECT_EQ(g_settings.pad_left, 94);
  EXPECT_EQ(g_settings.pad_right, 96);
  EXPECT_EQ(g_settings.pad_top, 0);
}

TEST_F(OptionParse, FixAspectAfterSizeAddsNoPads) {
  g_settings.frame_width = 720;
  g_settings.frame_height = 480;
  EXPECT_TRUE(parse_words({"-s", "320x240", "-fixaspect"}));
  EXPECT_EQ(g_settings.frame_width, 320);
  EXPECT_EQ(g_settings.frame_height, 240);
  EXPECT_EQ(g_settings.pad_top + g_settings.pad_bottom + g_settings.pad_left + g_settings.pad_right, 0);
}

TEST_F(OptionParse, CropShrinksThePicture) {
  g_settings.frame_width = 720;
  g_settings.frame_height = 480;
  EXPECT_TRUE(parse_words({"-croptop", "10", "-cropbottom", "20", "-cropleft", "8", "-cropright", "0"}));
  EXPECT_EQ(g_settings.frame_height, 450);
  EXPECT_EQ(g_settings.frame_width, 712);
  EXPECT_EQ(g_settings.crop_top, 10);
  EXPECT_EQ(g_settings.crop_bottom, 20);
}

TEST_F(OptionParse, ValueHandlers) {
  EXPECT_TRUE(parse_words({"-padcolor", "00ff00", "-pix_fmt", "yuv420p", "-me", "full", "-vtag", "XVID",
                           "-atag", "0x40", "-bitexact", "-intra_matrix",
                           "8,9,10,11,12,13,14,15,16,17,18,19,20,21,22,23,24,25,26,27,28,29,30,31,32,33,34,"
                           "35,36,37,38,39,40,41,42,43,44,45,46,47,48,49,50,51,52,53,54,55,56,57,58,59,60,"
                           "61,62,63,64,65,66,67,68,69,70,71",
                           "-padtop", "-3", "-vcodec", "copy", "-acodec", "copy", "-vhook", "anything"}));
  const EngineSettings& s = g_settings;
  EXPECT_EQ(s.pad_color.y, 150);
  EXPECT_EQ(s.frame_pix_fmt, AV_PIX_FMT_YUV420P);
  EXPECT_EQ(s.me_method, 2);
  EXPECT_EQ(s.video_codec_tag, 'X' | 'V' << 8 | 'I' << 16 | static_cast<uint32_t>('D') << 24);
  EXPECT_EQ(s.audio_codec_tag, 0x40u);
  EXPECT_TRUE(s.bitexact);
  ASSERT_TRUE(s.intra_matrix.has_value());
  EXPECT_EQ((*s.intra_matrix)[0], 8);
  EXPECT_EQ((*s.intra_matrix)[63], 71);
  EXPECT_FALSE(s.inter_matrix.has_value());
  EXPECT_EQ(s.pad_top, -3);  // reported but kept
  EXPECT_TRUE(s.video_stream_copy);
  EXPECT_TRUE(s.audio_stream_copy);
}

TEST_F(OptionParse, FormatNamesAndPgmYuv) {
  EXPECT_TRUE(parse_words({"-f", "mp4", "-img", "png"}));
  EXPECT_EQ(g_settings.file_format, "mp4");
  EXPECT_EQ(g_settings.image_format, "png");
  EXPECT_TRUE(parse_words({"-f", "pgmyuv"}));
  EXPECT_EQ(g_settings.file_format, "image2");
  EXPECT_TRUE(g_settings.force_pgmyuv);
}

TEST_F(OptionParse, VerbositySetsTheLogSinkLevel) {
  const int before = engine_log_level;
  EXPECT_TRUE(parse_words({"-v", "-1"}));
  EXPECT_EQ(g_settings.verbose, -1);
  EXPECT_EQ(engine_log_level, -1);
  engine_log_level = before;
}

// ---- validating handlers ------------------------------------------------------------------

struct CheckCase {
  const char* name;
  std::vector<const char*> words;
  const char* message;
  bool fatal;
};

class OptionCheck : public ::testing::TestWithParam<CheckCase> {
 protected:
  void SetUp() override {
    reset_engine_settings();
    g_settings.frame_width = 720;  // as a 720x480 input leaves them
    g_settings.frame_height = 480;
  }
  void TearDown() override { reset_engine_settings(); }
};

TEST_P(OptionCheck, WritesItsMessage) {
  const CheckCase& c = GetParam();
  std::vector<std::string> storage{"dorvane-engine"};
  for (const char* w : c.words) storage.emplace_back(w);
  storage.emplace_back("-b");  // shows whether the parse went on
  storage.emplace_back("99");
  std::vector<char*> argv;
  for (std::string& s : storage) argv.push_back(s.data());
  argv.push_back(nullptr);

  CaptureStderr();
  bool failed = false;
  try {
    EXPECT_TRUE(parse_arguments(static_cast<int>(storage.size()), argv.data()));
  } catch (const EngineFailure&) {
    failed = true;
  }
  EXPECT_EQ(GetCapturedStderr(), c.message);
  EXPECT_EQ(failed, c.fatal);
  EXPECT_EQ(g_settings.video_bit_rate, c.fatal ? 200000 : 99000);
}

const char kVertical[] =
    "A>Vertical crop dimensions are outside the range of the original image.\n"
    "Remember to crop first and scale second.\n";
const char kHorizontal[] =
    "A>Horizontal crop dimensions are outside the range of the original image.\n"
    "Remember to crop first and scale second.\n";

INSTANTIATE_TEST_SUITE_P(
    Handlers, OptionCheck,
    ::testing::Values(
        CheckCase{"CropTopNegative", {"-croptop", "-2"}, "A>Incorrect top crop size\n", true},
        CheckCase{"CropTopOdd", {"-croptop", "3"}, "A>Top crop size must be a multiple of 2\n", true},
        CheckCase{"CropBottomWholePicture", {"-cropbottom", "480"}, kVertical, true},
        CheckCase{"CropAddsUp", {"-croptop", "240", "-cropbottom", "240"}, kVertical, true},
        CheckCase{"CropLeftOdd", {"-cropleft", "1"}, "A>Left crop size must be a multiple of 2\n", true},
        CheckCase{"CropRightWholePicture", {"-cropright", "720"}, kHorizontal, true},
        CheckCase{"PadBottomNegative", {"-padbottom", "-2"}, "A>Incorrect bottom pad size\n", true},
        CheckCase{"PadLeftOdd", {"-padleft", "5"}, "A>Left pad size must be a multiple of 2\n", true},
        CheckCase{"PadRightNegative", {"-padright", "-4"}, "A>Incorrect right pad size\n", true},
        CheckCase{"PadTopNegativeGoesOn", {"-padtop", "-3"}, "A>Incorrect top pad size\n", false},
        CheckCase{"PadTopOddGoesOn", {"-padtop", "3"}, "A>Top pad size must be a multiple of 2\n", false},
        CheckCase{"SizeOdd", {"-s", "321x240"}, "A>Frame size must be a multiple of 2\n", true},
        CheckCase{"SizeUnreadable", {"-s", "big"}, "A>Incorrect frame size\n", true},
        CheckCase{"AspectZero", {"-aspect", "0"}, "A>Incorrect aspect ratio specification.\n", true},
        CheckCase{"AspectZeroDenominator", {"-aspect", "4:0"}, "A>Incorrect aspect ratio specification.\n", true},
        CheckCase{"RateUnreadableGoesOn", {"-r", "fast"}, "A>Incorrect frame rate\n", false},
        CheckCase{"TooManyBFrames", {"-bf", "9"}, "\nA>Cannot have more than 8 B frames, increase FF_MAX_B_FRAMES.\n", true},
        CheckCase{"NoBFrames", {"-bf", "0"}, "\nA>Number of B frames must be higher than 0\n", true},
        CheckCase{"QscaleLow", {"-qscale", "0.001"}, "A>qscale must be >= 0.01 and <= 255\n", true},
        CheckCase{"QscaleHigh", {"-qscale", "256"}, "A>qscale must be >= 0.01 and <= 255\n", true},
        CheckCase{"QscaleNotANumber", {"-qscale", "nan"}, "A>qscale must be >= 0.01 and <= 255\n", true},
        CheckCase{"QsquishHigh", {"-qsquish", "99.5"}, "A>qsquish must be >= 0.0 and <= 99.0\n", true},
        CheckCase{"LelimHigh", {"-lelim", "100"}, "A>lelim must be >= -99 and <= 99\n", true},
        CheckCase{"CelimLow", {"-celim", "-100"}, "A>celim must be >= -99 and <= 99\n", true},
        CheckCase{"QminZero", {"-qmin", "0"}, "A>qmin must be >= 1 and <= 31\n", true},
        CheckCase{"QmaxHigh", {"-qmax", "32"}, "A>qmax must be >= 1 and <= 31\n", true},
        CheckCase{"QdiffHigh", {"-qdiff", "32"}, "A>qdiff must be >= 1 and <= 31\n", true},
        CheckCase{"MblminZero", {"-mblmin", "0"}, "A>mblmin must be >= 1 and <= 277\n", true},
        CheckCase{"MblmaxHigh", {"-mblmax", "300"}, "A>mblmax must be >= 1 and <= 277\n", true},
        CheckCase{"PassThree", {"-pass", "3"}, "A>pass number can be only 1 or 2\n", true},
        CheckCase{"UnknownMotionMethod", {"-me", "hex"}, "A>Unknown motion estimation method 'hex'\n", true},
        CheckCase{"UnknownVideoCodec", {"-vcodec", "nosuch"}, "A>Unknown video codec 'nosuch'\n", true},
        CheckCase{"AudioCodecOfVideoType", {"-acodec", "mpeg4"}, "A>Unknown audio codec 'mpeg4'\n", true},
        CheckCase{"ShortMatrix", {"-inter_matrix", "1,2,3"}, "A>Syntax error in matrix \"1,2,3\" at coeff 2\n", true},
        CheckCase{"UnknownFormatGoesOn", {"-f", "nosuch"}, "A>Unknown input or output format: nosuch\n", false},
        CheckCase{"UnknownImageFormatGoesOn", {"-img", "nosuch"}, "A>Unknown image format: 'nosuch'\n", false},
        CheckCase{"UnknownTarget", {"-target", "pal-laserdisc"}, "A>Unknown target: laserdisc\n", true},
        CheckCase{"TargetWithoutNorm", {"-r", "10", "-target", "vcd"},
                  "A>Could not determine norm (PAL/NTSC/NTSC-Film) for target.\n"
                  "A>Please prefix target with \"pal-\", \"ntsc-\" or \"film-\",\n"
                  "A>or set a framerate with \"-r xxx\".\n",
                  true},
        CheckCase{"BoundariesAccepted",
                  {"-qscale", "0.01", "-bf", "8", "-qmin", "1", "-qmax", "31", "-lelim", "-99", "-celim",
                   "99", "-mblmin", "0.01", "-mblmax", "277", "-qsquish", "99", "-qdiff", "31", "-pass", "2"},
                  "",
                  false}),
    [](const auto& row) { return std::string(row.param.name); });

// ---- presets, per-file clearing, reset ----------------------------------------------------

TEST_F(OptionParse, TargetPresets) {
  EXPECT_TRUE(parse_words({"-target", "pal-vcd"}));
  EXPECT_EQ(g_settings.video_codec_id, AV_CODEC_ID_MPEG1VIDEO);
  EXPECT_EQ(g_settings.audio_codec_id, AV_CODEC_ID_MP2);
  EXPECT_EQ(g_settings.file_format, "vcd");
  EXPECT_EQ(g_settings.frame_width, 352);
  EXPECT_EQ(g_settings.frame_height, 288);
  EXPECT_EQ(g_settings.gop_size, 15);
  EXPECT_EQ(g_settings.video_rc_min_rate, 1150000);
  EXPECT_EQ(g_settings.video_rc_buffer_size, 327680);
  EXPECT_EQ(g_settings.mux_rate, 1411200);
  EXPECT_EQ(g_settings.mux_packet_size, 2324);
  EXPECT_FLOAT_EQ(g_settings.mux_preload, 0.44f);

  reset_engine_settings();
  CaptureStderr();
  EXPECT_TRUE(parse_words({"-r", "29.97", "-target", "dvd"}));
  EXPECT_EQ(GetCapturedStderr(), "Assuming NTSC for target.\n");
  EXPECT_EQ(g_settings.audio_codec_id, AV_CODEC_ID_AC3);
  EXPECT_EQ(g_settings.frame_height, 480);
  EXPECT_EQ(g_settings.frame_rate.num, 30000);
  EXPECT_EQ(g_settings.frame_rate.den, 1001);
  EXPECT_EQ(g_settings.gop_size, 18);
  EXPECT_EQ(g_settings.video_rc_max_rate, 9000000);
  EXPECT_EQ(g_settings.video_rc_buffer_size, 1835008);
  EXPECT_EQ(g_settings.audio_bit_rate, 448000);
  EXPECT_EQ(g_settings.audio_sample_rate, 48000);
  EXPECT_EQ(g_settings.mux_rate, 10080000);

  reset_engine_settings();
  EXPECT_TRUE(parse_words({"-target", "film-svcd"}));
  EXPECT_EQ(g_settings.frame_rate.num, 24000);
  EXPECT_EQ(g_settings.frame_height, 480);
  EXPECT_TRUE(g_settings.use_scan_offset);

  reset_engine_settings();
  EXPECT_TRUE(parse_words({"-target", "pal-dv"}));
  EXPECT_EQ(g_settings.file_format, "dv");
  EXPECT_EQ(g_settings.frame_height, 576);
  EXPECT_EQ(g_settings.audio_channels, 2);
}

// The norm of an input opened earlier counts when the current rate tells none.
TEST_F(OptionParse, TargetTakesTheNormOfAnOpenedInput) {
  const fs::path source = fs::temp_directory_path() / ("dorvane-target-" + std::to_string(::getpid()) + ".mpg");
  const std::string make = "ffmpeg -nostdin -loglevel error -y -f lavfi -i testsrc2=size=176x144:rate=25 -t 0.2 "
                           "-c:v mpeg2video -f vob '" + source.string() + "'";
  ASSERT_EQ(std::system(make.c_str()), 0);
  CaptureStderr();
  EXPECT_TRUE(parse_words({"-i", source.c_str(), "-r", "10", "-target", "vcd"}));
  const std::string err = GetCapturedStderr();
  ASSERT_EQ(engine_run().inputs.size(), 1u) << err;
  engine_run().inputs.clear();
  fs::remove(source);
  EXPECT_NE(err.find("Assuming PAL for target.\n"), std::string::npos) << err;
  EXPECT_EQ(g_settings.frame_height, 288);
  EXPECT_EQ(g_settings.frame_rate.num, 25);
}

TEST_F(OptionParse, PerFileSettingsClearAndTheRestCarriesOver) {
  EXPECT_TRUE(parse_words({"-f", "mp4", "-img", "png", "-gd", "/dev/video0", "-vc", "3", "-re", "-an", "-vn",
                           "-vcodec", "xvid", "-acodec", "copy", "-b", "500"}));
  clear_input_file_settings();
  EXPECT_EQ(g_settings.file_format, "");
  EXPECT_EQ(g_settings.grab_device, "");
  EXPECT_EQ(g_settings.video_channel, 0);
  EXPECT_FALSE(g_settings.rate_emu);
  EXPECT_TRUE(g_settings.video_disable);  // an output setting survives the input

  EXPECT_TRUE(parse_words({"-f", "mp4", "-img", "png"}));
  clear_output_file_settings();
  EXPECT_EQ(g_settings.file_format, "");
  EXPECT_EQ(g_settings.image_format, "");
  EXPECT_FALSE(g_settings.audio_disable);
  EXPECT_FALSE(g_settings.video_disable);
  EXPECT_EQ(g_settings.video_codec_id, AV_CODEC_ID_NONE);
  EXPECT_EQ(g_settings.video_codec, nullptr);
  EXPECT_FALSE(g_settings.audio_stream_copy);
  EXPECT_EQ(g_settings.video_bit_rate, 500000);  // carries over to the next output
}

TEST_F(OptionParse, ResetRestoresEveryDefaultButTheTvStandard) {
  std::string ones = "1";
  for (int i = 1; i < 64; ++i) ones += ",1";
  EXPECT_TRUE(parse_words({"-s", "640x360", "-r", "30", "-b", "1", "-bt", "1", "-qmin", "5", "-qmax", "6",
                           "-lmin", "1", "-mblmax", "9", "-qdiff", "9", "-rc_eq", "x", "-me", "zero",
                           "-ibias", "0", "-top", "1", "-dc", "9", "-vprofile", "1", "-skip_cmp", "0",
                           "-vframes", "5", "-padcolor", "ffffff", "-ar", "8000", "-ab", "8", "-ac", "6",
                           "-muxpreload", "0", "-vsync", "0", "-vol", "0", "-threads", "2", "-tvstd",
                           "pal", "-map", "0:0", "-vcodec", "copy", "-intra_matrix", ones.c_str()}));
  reset_engine_settings();
  const EngineSettings& s = g_settings;
  EXPECT_EQ(s.frame_width, 0);
  EXPECT_EQ(s.frame_rate.num, 25);
  EXPECT_EQ(s.frame_rate.den, 1);
  EXPECT_EQ(s.video_bit_rate, 200000);
  EXPECT_EQ(s.video_bit_rate_tolerance, 4000000);
  EXPECT_EQ(s.video_qmin, 2);
  EXPECT_EQ(s.video_qmax, 31);
  EXPECT_EQ(s.video_lmin, 236);
  EXPECT_EQ(s.video_lmax, 3658);
  EXPECT_EQ(s.video_mb_lmin, 236);
  EXPECT_EQ(s.video_mb_lmax, 3658);
  EXPECT_EQ(s.video_qdiff, 3);
  EXPECT_FLOAT_EQ(s.video_qblur, 0.5f);
  EXPECT_FLOAT_EQ(s.video_qcomp, 0.5f);
  EXPECT_EQ(s.video_rc_eq, "tex^qComp");
  EXPECT_FLOAT_EQ(s.video_rc_buffer_aggressivity, 1.0f);
  EXPECT_FLOAT_EQ(s.video_b_qfactor, 1.25f);
  EXPECT_FLOAT_EQ(s.video_b_qoffset, 1.25f);
  EXPECT_FLOAT_EQ(s.video_i_qfactor, -0.8f);
  EXPECT_FLOAT_EQ(s.video_i_qoffset, 0.0f);
  EXPECT_EQ(s.video_intra_quant_bias, 999999);
  EXPECT_EQ(s.video_inter_quant_bias, 999999);
  EXPECT_EQ(s.me_method, 5);
  EXPECT_EQ(s.ildct_cmp, 8);
  EXPECT_EQ(s.workaround_bugs, 1);
  EXPECT_EQ(s.error_resilience, 2);
  EXPECT_EQ(s.error_concealment, 3);
  EXPECT_EQ(s.top_field_first, -1);
  EXPECT_EQ(s.intra_dc_precision, 8);
  EXPECT_EQ(s.video_profile, -99);
  EXPECT_EQ(s.video_level, -99);
  EXPECT_EQ(s.nsse_weight, 8);
  EXPECT_EQ(s.subpel_quality, 8);
  EXPECT_EQ(s.frame_skip_cmp, 13);
  EXPECT_EQ(s.gop_size, 12);
  EXPECT_EQ(s.max_video_frames, INT_MAX);
  EXPECT_EQ(s.max_audio_frames, INT_MAX);
  EXPECT_EQ(s.max_data_frames, INT_MAX);
  EXPECT_EQ(s.pad_color.y, 16);
  EXPECT_EQ(s.pad_color.u, 128);
  EXPECT_EQ(s.pad_color.v, 128);
  EXPECT_EQ(s.audio_sample_rate, 44100);
  EXPECT_EQ(s.audio_bit_rate, 64000);
  EXPECT_EQ(s.audio_channels, 1);
  EXPECT_FLOAT_EQ(s.mux_preload, 0.5f);
  EXPECT_FLOAT_EQ(s.mux_max_delay, 0.7f);
  EXPECT_EQ(s.video_sync_method, 1);
  EXPECT_EQ(s.audio_sync_method, 1);
  EXPECT_EQ(s.audio_volume, 100);
  EXPECT_EQ(s.verbose, 1);
  EXPECT_EQ(s.thread_count, 1);
  EXPECT_TRUE(s.stream_maps.empty());
  EXPECT_FALSE(s.video_stream_copy);
  EXPECT_FALSE(s.intra_matrix.has_value());
  EXPECT_EQ(s.frame_pix_fmt, AV_PIX_FMT_NONE);
  EXPECT_EQ(s.video_standard, "pal");  // survives runs
  g_settings.video_standard = "ntsc";
}

}  // namespace

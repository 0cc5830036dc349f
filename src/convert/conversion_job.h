// One conversion request turned into one engine run: the frame server's parameters go to the
// registry and an empty "video.avs" script into the configuration folder, the argument vector is
// built, and engine_main runs in-process. The main window owns one job for its whole life; the
// queue fills its fields before every run. User-interface thread only; Cancel may be entered
// re-entrantly from the engine's message pump while Run is on the stack.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "convert/argument_list.h"
#include "iPod/engine.h"

namespace convert {

// Index 0..4 -> frames per second; also written as the frame server's "fps" parameter (the index).
inline constexpr std::array<double, 5> kJobFrameRates{24000.0 / 1001.0, 24.0, 25.0, 30000.0 / 1001.0, 30.0};

// Where the frame server finds its parameters: the default value of each subkey.
inline constexpr const char* kFrameServerKey = "Software\\quillet\\Param";
inline constexpr const char* kScriptFileName = "video.avs";

class CConversionJob {
 public:
  CConversionJob() = default;
  virtual ~CConversionJob() = default;
  CConversionJob(const CConversionJob&) = delete;
  CConversionJob& operator=(const CConversionJob&) = delete;

  void SetFrameSize(int32_t new_width, int32_t new_height);
  void SetVolume(int32_t percent);
  // Copy the text; a null pointer gives "". SetSourcePath returns whether the pointer was non-null.
  bool SetSourcePath(const char* path);
  void SetOutputPath(const char* path);
  // Installs the engine's (process-wide) progress hook; it stays installed after the run.
  void SetProgressHook(ProgressHook hook, void* context);

  // Writes the frame-server parameters (a failure there is silent: the engine then reports that
  // it cannot open its input), rebuilds the arguments and returns engine_main's result unchanged.
  int32_t Run();
  // Asks the running engine to stop and frees the arguments; harmless outside a run.
  void Cancel();

  // Fields in their fixed order; the queue assigns them directly.
  int32_t width = 320;  // output frame size, pixels
  int32_t height = 240;
  int32_t frame_rate_index = 0;  // row of kJobFrameRates; values outside 0..4 are taken as the nearest row
  int32_t video_kbps = 768;
  int32_t audio_kbps = 64;  // total over all channels
  int32_t volume_percent = 100;
  double start_seconds = 0.0;  // range within the title, seconds
  double end_seconds = 0.0;
  std::string aspect_text;  // "4:3" or "16:9"
  std::string output_path;
  std::string source_path;  // the disc folder, for the frame server
  int32_t audio_index = 0;
  int32_t subtitle_index = 0;
  int32_t title_set_param = 0;  // written as "title set": the title's position inside its set
  int32_t title_param = 0;      // written as "title": the title set (the names cross on purpose)
  int32_t force_param = 0;
  int32_t synth_param = 0;
  CArgumentList arguments;
  int32_t channels = 2;
};

// Plain helpers of Run, exposed for tests.

// The output file's name without folder and extension: "/out/MOVIE_Title01.02.mp4" gives
// "MOVIE_Title01.02"; without a '/' the whole path is the name; without a dot nothing is cut.
std::string TitleText(const std::string& output_path);

// Writes the ten parameters and the empty script file; returns the script path handed to "-i".
// Stops silently at the first step that fails.
std::string WriteFrameServerParameters(const CConversionJob& job);

// Fills job.arguments with the 17 arguments (33 slots with slot 0) for `script_path`.
void BuildArguments(CConversionJob& job, const std::string& script_path);

}  // namespace convert

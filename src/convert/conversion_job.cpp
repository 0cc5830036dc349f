#include "convert/conversion_job.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <charconv>

#include "platform/config_folder.h"
#include "platform/registry.h"

namespace convert {
namespace {

// "%d", "%f" and "%.2f" without regard to the process's locale: Qt sets LC_ALL from the
// environment, and a decimal comma would make these texts unreadable to the engine and the
// frame server.
std::string int_text(int32_t value) { return std::to_string(value); }

std::string fixed_text(double value, int decimals) {
  char buffer[400];  // the longest double in fixed notation with 6 decimals fits
  const auto result = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, decimals);
  if (result.ec != std::errc()) return "0";
  return std::string(buffer, result.ptr);
}

double frame_rate_of(int32_t index) {
  return kJobFrameRates[std::clamp<int32_t>(index, 0, static_cast<int32_t>(kJobFrameRates.size()) - 1)];
}

bool create_empty_file(const std::string& path) {
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (fd < 0) return false;
  return ::close(fd) == 0;
}

// The engine takes any argument beginning with '-' for an option; a relative output path that
// starts so is handed over as "./-name", the same file.
std::string as_output_word(const std::string& path) { return (!path.empty() && path.front() == '-') ? "./" + path : path; }

}  // namespace

void CConversionJob::SetFrameSize(int32_t new_width, int32_t new_height) {
  width = new_width;
  height = new_height;
}

void CConversionJob::SetVolume(int32_t percent) { volume_percent = percent; }

bool CConversionJob::SetSourcePath(const char* path) {
  source_path = path ? path : "";
  return path != nullptr;
}

void CConversionJob::SetOutputPath(const char* path) { output_path = path ? path : ""; }

void CConversionJob::SetProgressHook(ProgressHook hook, void* context) { engine_set_progress_hook(hook, context); }

std::string TitleText(const std::string& output_path) {
  const size_t slash = output_path.rfind('/');
  std::string name = slash == std::string::npos ? output_path : output_path.substr(slash + 1);
  if (const size_t dot = name.rfind('.'); dot != std::string::npos) name.resize(dot);
  return name;
}

std::string WriteFrameServerParameters(const CConversionJob& job) {
  // The configuration folder stands in for the system directory the frame server looks in.
  const std::string script = platform::config_folder() + "/" + kScriptFileName;
  if (!platform::ensure_config_folder() || !create_empty_file(script)) return script;
  if (!platform::registry_create_key(kFrameServerKey)) return script;

  const std::pair<const char*, std::string> parameters[] = {
      {"path", job.source_path},
      {"audio", int_text(job.audio_index)},
      {"subtitle", int_text(job.subtitle_index)},
      {"title set", int_text(job.title_set_param)},
      {"title", int_text(job.title_param)},
      {"start", fixed_text(job.start_seconds, 6)},
      {"end", fixed_text(job.end_seconds, 6)},
      {"force", int_text(job.force_param)},
      {"synth", int_text(job.synth_param)},
      {"fps", int_text(job.frame_rate_index)},
  };
  for (const auto& [name, text] : parameters) {
    if (!platform::registry_set_string(std::string(kFrameServerKey) + "\\" + name, "", text)) break;
  }
  return script;
}

void BuildArguments(CConversionJob& job, const std::string& script_path) {
  CArgumentList& list = job.arguments;
  list.Clear();
  // Options that take a value always get their value slot, even an empty one, so that an empty
  // title or aspect cannot make the engine read the next option as its value.
  list.AddWithValue("-i", script_path);
  list.AddWithValue("-title", TitleText(job.output_path));
  list.AddWithValue("-vcodec", "xvid");
  list.AddWithValue("-r", fixed_text(frame_rate_of(job.frame_rate_index), 6));
  list.Add("-fixaspect", "");
  list.AddWithValue("-aspect", job.aspect_text);
  list.AddWithValue("-s", int_text(job.width) + "X" + int_text(job.height));
  list.AddWithValue("-vol", int_text(job.volume_percent));
  list.AddWithValue("-maxrate", "2500");
  list.AddWithValue("-b", int_text(job.video_kbps));
  list.AddWithValue("-acodec", "aac");
  list.AddWithValue("-ac", int_text(job.channels));
  // Per channel; a channel count below 1 would divide by zero, so the total goes through and the
  // engine judges "-ac".
  list.AddWithValue("-ab", int_text(job.channels > 0 ? job.audio_kbps / job.channels : job.audio_kbps));
  list.AddWithValue("-ar", "24000");
  list.AddWithValue("-muxvb", "768");
  list.AddWithValue("-t", fixed_text(job.end_seconds - job.start_seconds, 2));
  list.Add("", as_output_word(job.output_path));
}

int32_t CConversionJob::Run() {
  const std::string script = WriteFrameServerParameters(*this);
  BuildArguments(*this, script);
  return engine_main(arguments.Count(), arguments.argv());
}

void CConversionJob::Cancel() {
  engine_request_stop();
  arguments.Clear();
}

}  // namespace convert

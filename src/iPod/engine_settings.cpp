#include "iPod/engine_settings.h"

EngineSettings g_settings;
int engine_log_level = 2;

void reset_engine_settings() {
  std::string standard = std::move(g_settings.video_standard);
  g_settings = EngineSettings{};
  g_settings.video_standard = std::move(standard);
}

void clear_input_file_settings() {
  g_settings.file_format.clear();
  g_settings.image_format.clear();
  g_settings.grab_device.clear();
  g_settings.video_channel = 0;
  g_settings.rate_emu = false;
}

void clear_output_file_settings() {
  g_settings.file_format.clear();
  g_settings.image_format.clear();
  g_settings.audio_disable = false;
  g_settings.video_disable = false;
  g_settings.audio_codec_id = AV_CODEC_ID_NONE;
  g_settings.audio_codec = nullptr;
  g_settings.video_codec_id = AV_CODEC_ID_NONE;
  g_settings.video_codec = nullptr;
  g_settings.audio_stream_copy = false;
  g_settings.video_stream_copy = false;
}

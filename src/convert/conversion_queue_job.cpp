#include "convert/conversion_queue_job.h"

namespace convert {

void FillJob(const ItemJob& item, CConversionJob& job) {
  job.start_seconds = item.start_seconds;
  job.end_seconds = item.end_seconds;
  job.SetSourcePath(item.source_path.c_str());
  job.SetOutputPath(item.output_path.c_str());
  job.audio_index = item.audio_index;
  job.subtitle_index = item.subtitle_index;
  job.title_set_param = item.title_set_param;
  job.title_param = item.title_param;
  job.aspect_text = item.aspect_text;
  job.SetFrameSize(item.width, item.height);
  job.SetVolume(item.volume_percent);
  job.video_kbps = item.video_kbps;
  job.audio_kbps = item.audio_kbps;
  job.frame_rate_index = item.frame_rate_index;
  job.channels = item.channels;
  job.force_param = item.force_param;
  job.synth_param = item.synth_param;
}

int ConversionJobRunner::Run(const ItemJob& item, ProgressHook hook, void* context) {
  FillJob(item, job_);
  job_.SetProgressHook(hook, context);
  return job_.Run();
}

}  // namespace convert

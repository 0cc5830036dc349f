// The queue's items run through the main window's one CConversionJob.
#pragma once

#include "convert/conversion_job.h"
#include "convert/conversion_queue.h"

namespace convert {

// Fills the job from an item, installs the progress hook and runs it. The job outlives the runner.
class ConversionJobRunner final : public JobRunner {
 public:
  explicit ConversionJobRunner(CConversionJob& job) : job_(job) {}
  int Run(const ItemJob& item, ProgressHook hook, void* context) override;
  void Cancel() override { job_.Cancel(); }

 private:
  CConversionJob& job_;
};

// Copies every field the queue fills into the job.
void FillJob(const ItemJob& item, CConversionJob& job);

}  // namespace convert

// The frame server: makes the engine read the script file (".avs") a conversion job writes as
// the decoded title range that the job's registry parameters name.
#pragma once

struct AVFormatContext;

namespace frameserver {

// Registers (or removes) the engine's input reader for ".avs" files. Call on the engine's thread
// before (or between) runs.
void install_frame_server();
void remove_frame_server();

// The reader's two halves, as the engine calls them. open() fails with an AVERROR when the script
// file does not exist or the disc, title or range cannot be opened; close() accepts null.
int open_frame_server_input(const char* script_path, AVFormatContext** out);
void close_frame_server_input(AVFormatContext* context);

}  // namespace frameserver

// The transcoding engine's public face: the only header a host includes.
//
// The engine is driven like a command-line converter: the host builds an argument vector and calls
// engine_main in-process, on its own (user-interface) thread, once per output file. Everything the
// host learns during a run comes through the progress hook; the host may stop a run with
// engine_request_stop from inside the hook or from a handler the message pump dispatches.
// No Qt here: the host installs its message pump as a plain function.
#pragma once

#include <cstdint>

struct AVFormatContext;

// Filled before every hook call. Field order is part of the contract.
struct ProgressRecord {
  int64_t frames;    // frames written by the first video output stream
  double time;       // output time in seconds (smallest positive stream time), at least 0.01
  int64_t size;      // bytes written to the first output file / 1024
  char line[2048];   // the report line, NUL-terminated
};

using ProgressHook = void (*)(ProgressRecord* record, void* context);

// Runs one conversion described by argv (argv[0] is the program-name slot and is never parsed).
// Returns 0 when no input or no output was set up, 1 when stopped by the host, 2 when the run went
// through, 3 when it failed (invalid option value, output set-up error, a failure after set-up such
// as an encoder that cannot open or a full disk). Never ends the process, except for the
// information options (-h, -L, -version, -formats), which print and exit as a command line would.
int engine_main(int argc, char** argv);

// One process-wide hook slot; a null function disables it. Survives between runs.
void engine_set_progress_hook(ProgressHook hook, void* context);

// Sets the stop flag; the running transcode finishes its packet, drains, writes the trailer,
// reports once more and engine_main returns 1. Cleared when the next transcode starts.
void engine_request_stop();

// The host's message pump, called after every packet. Default: does nothing.
using MessagePump = void (*)();
void engine_set_message_pump(MessagePump pump);
void pump_window_messages();

// A reader that opens inputs of one file type (".avs") in place of libavformat's file reading.
// open() returns 0 and an AVFormatContext with its header read in *out (the engine then probes it
// with avformat_find_stream_info and uses it like any input), or a negative AVERROR code.
// close() releases what open() created; the engine calls it instead of avformat_close_input.
struct InputReader {
  int (*open)(const char* filename, AVFormatContext** out, void* opaque);
  void (*close)(AVFormatContext* ctx, void* opaque);
  void* opaque;
};

// Installs (or with reader == nullptr removes) the reader for file names ending in `extension`
// (compared without regard to case, e.g. ".avs"). The reader struct is copied.
void engine_set_input_reader(const char* extension, const InputReader* reader);

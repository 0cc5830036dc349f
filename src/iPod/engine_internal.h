// Seams between the option parser and the rest of the engine.
#pragma once

#include <cstdarg>

// Thrown for the errors that a command-line converter would end its process with (invalid option
// values, output set-up errors, internal inconsistencies). The message has already been written;
// engine_main catches it, releases every input and output and returns 3.
struct EngineFailure {};
[[noreturn]] inline void engine_fail() { throw EngineFailure{}; }

// The -i handler: opens and probes one input, or writes an error line and adds nothing.
void open_input_file(const char* filename);

// Every argument that is not an option: sets up one output from the settings so far.
void open_output_file(const char* filename);

// The engine's log sink (also installed as the libraries' log callback). Level 0 lines get "A>".
void engine_log(void* context, int level, const char* format, ...) __attribute__((format(printf, 3, 4)));
void engine_vlog(void* context, int level, const char* format, va_list args);

// Input opening helpers that need no open file.
#pragma once

// The message written when opening `filename` failed with `averror`; printf format with one %s.
const char* input_open_error_format(int averror, bool format_recognised);

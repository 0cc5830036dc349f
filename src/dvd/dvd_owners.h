// Owners for libdvdread handles, the same pattern as common/av_ptr.h.
#pragma once

#include <memory>

#include <dvdread/dvd_reader.h>
#include <dvdread/ifo_read.h>

namespace dvd {

struct ReaderClose { void operator()(dvd_reader_t* r) const noexcept { DVDClose(r); } };
struct IfoClose { void operator()(ifo_handle_t* i) const noexcept { ifoClose(i); } };
struct FileClose { void operator()(dvd_file_t* f) const noexcept { DVDCloseFile(f); } };

using ReaderPtr = std::unique_ptr<dvd_reader_t, ReaderClose>;
using IfoPtr = std::unique_ptr<ifo_handle_t, IfoClose>;
using FilePtr = std::unique_ptr<dvd_file_t, FileClose>;

}  // namespace dvd

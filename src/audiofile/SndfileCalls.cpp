// libsndfile's functions as this program calls them, each forwarding to the
// library, which is loaded when the first of them is called (see
// TLazyLibrary): a program that reads and writes only our own WAV files never
// loads it. Where the library cannot be loaded, every call fails as the
// library's own calls fail, and sf_strerror says why.
#include <sndfile.h>

#include "platform/LazyLibrary.h"

namespace {
korvane::TLazyLibrary& library() {
    static korvane::TLazyLibrary sndfile(KORVANE_SNDFILE_SONAME);
    return sndfile;
}
}  // namespace

extern "C" {

SNDFILE* sf_open(const char* path, int mode, SF_INFO* info) {
    KORVANE_LAZY_FUNCTION(library(), sf_open);
    return real_sf_open ? real_sf_open(path, mode, info) : nullptr;
}

SNDFILE* sf_open_virtual(SF_VIRTUAL_IO* io, int mode, SF_INFO* info, void* user) {
    KORVANE_LAZY_FUNCTION(library(), sf_open_virtual);
    return real_sf_open_virtual ? real_sf_open_virtual(io, mode, info, user) : nullptr;
}

int sf_close(SNDFILE* file) {
    KORVANE_LAZY_FUNCTION(library(), sf_close);
    return real_sf_close ? real_sf_close(file) : 0;
}

int sf_error(SNDFILE* file) {
    KORVANE_LAZY_FUNCTION(library(), sf_error);
    return real_sf_error ? real_sf_error(file) : SF_ERR_SYSTEM;
}

const char* sf_strerror(SNDFILE* file) {
    KORVANE_LAZY_FUNCTION(library(), sf_strerror);
    if (real_sf_strerror) return real_sf_strerror(file);
    static const std::string why = library().Error();
    return why.empty() ? "sf_strerror is missing from " KORVANE_SNDFILE_SONAME : why.c_str();
}

int sf_command(SNDFILE* file, int command, void* data, int size) {
    KORVANE_LAZY_FUNCTION(library(), sf_command);
    return real_sf_command ? real_sf_command(file, command, data, size) : 0;
}

sf_count_t sf_readf_float(SNDFILE* file, float* frames, sf_count_t count) {
    KORVANE_LAZY_FUNCTION(library(), sf_readf_float);
    return real_sf_readf_float ? real_sf_readf_float(file, frames, count) : 0;
}

sf_count_t sf_readf_int(SNDFILE* file, int* frames, sf_count_t count) {
    KORVANE_LAZY_FUNCTION(library(), sf_readf_int);
    return real_sf_readf_int ? real_sf_readf_int(file, frames, count) : 0;
}

sf_count_t sf_writef_float(SNDFILE* file, const float* frames, sf_count_t count) {
    KORVANE_LAZY_FUNCTION(library(), sf_writef_float);
    return real_sf_writef_float ? real_sf_writef_float(file, frames, count) : 0;
}

sf_count_t sf_writef_short(SNDFILE* file, const short* frames, sf_count_t count) {
    KORVANE_LAZY_FUNCTION(library(), sf_writef_short);
    return real_sf_writef_short ? real_sf_writef_short(file, frames, count) : 0;
}

}  // extern "C"

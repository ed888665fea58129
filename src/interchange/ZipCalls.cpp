// libzip's functions as this program calls them, each forwarding to the
// library, which is loaded when the first of them is called (see
// TLazyLibrary): only .mxl files need it. Where the library cannot be
// loaded, every call fails as the library's own calls fail.
#include <zip.h>

#include <cstring>

#include "platform/LazyLibrary.h"

namespace {
korvane::TLazyLibrary& library() {
    static korvane::TLazyLibrary libzip(KORVANE_LIBZIP_SONAME);
    return libzip;
}
}  // namespace

extern "C" {

int zip_close(zip_t* a) {
    KORVANE_LAZY_FUNCTION(library(), zip_close);
    return real_zip_close ? real_zip_close(a) : -1;
}

void zip_discard(zip_t* a) {
    KORVANE_LAZY_FUNCTION(library(), zip_discard);
    if (real_zip_discard) real_zip_discard(a);
}

void zip_error_fini(zip_error_t* e) {
    KORVANE_LAZY_FUNCTION(library(), zip_error_fini);
    if (real_zip_error_fini) real_zip_error_fini(e);
}

void zip_error_init(zip_error_t* e) {
    KORVANE_LAZY_FUNCTION(library(), zip_error_init);
    if (real_zip_error_init)
        real_zip_error_init(e);
    else
        std::memset(e, 0, sizeof *e);
}

int zip_fclose(zip_file_t* f) {
    KORVANE_LAZY_FUNCTION(library(), zip_fclose);
    return real_zip_fclose ? real_zip_fclose(f) : -1;
}

zip_int64_t zip_file_add(zip_t* a, const char* name, zip_source_t* s, zip_flags_t flags) {
    KORVANE_LAZY_FUNCTION(library(), zip_file_add);
    return real_zip_file_add ? real_zip_file_add(a, name, s, flags) : -1;
}

zip_file_t* zip_fopen_index(zip_t* a, zip_uint64_t index, zip_flags_t flags) {
    KORVANE_LAZY_FUNCTION(library(), zip_fopen_index);
    return real_zip_fopen_index ? real_zip_fopen_index(a, index, flags) : nullptr;
}

zip_int64_t zip_fread(zip_file_t* f, void* to, zip_uint64_t n) {
    KORVANE_LAZY_FUNCTION(library(), zip_fread);
    return real_zip_fread ? real_zip_fread(f, to, n) : -1;
}

const char* zip_get_name(zip_t* a, zip_uint64_t index, zip_flags_t flags) {
    KORVANE_LAZY_FUNCTION(library(), zip_get_name);
    return real_zip_get_name ? real_zip_get_name(a, index, flags) : nullptr;
}

zip_int64_t zip_get_num_entries(zip_t* a, zip_flags_t flags) {
    KORVANE_LAZY_FUNCTION(library(), zip_get_num_entries);
    return real_zip_get_num_entries ? real_zip_get_num_entries(a, flags) : -1;
}

zip_int64_t zip_name_locate(zip_t* a, const char* name, zip_flags_t flags) {
    KORVANE_LAZY_FUNCTION(library(), zip_name_locate);
    return real_zip_name_locate ? real_zip_name_locate(a, name, flags) : -1;
}

zip_t* zip_open_from_source(zip_source_t* s, int flags, zip_error_t* e) {
    KORVANE_LAZY_FUNCTION(library(), zip_open_from_source);
    return real_zip_open_from_source ? real_zip_open_from_source(s, flags, e) : nullptr;
}

int zip_set_file_compression(zip_t* a, zip_uint64_t index, zip_int32_t method, zip_uint32_t level) {
    KORVANE_LAZY_FUNCTION(library(), zip_set_file_compression);
    return real_zip_set_file_compression ? real_zip_set_file_compression(a, index, method, level) : -1;
}

zip_source_t* zip_source_buffer(zip_t* a, const void* data, zip_uint64_t n, int freeAfter) {
    KORVANE_LAZY_FUNCTION(library(), zip_source_buffer);
    return real_zip_source_buffer ? real_zip_source_buffer(a, data, n, freeAfter) : nullptr;
}

zip_source_t* zip_source_buffer_create(const void* data, zip_uint64_t n, int freeAfter, zip_error_t* e) {
    KORVANE_LAZY_FUNCTION(library(), zip_source_buffer_create);
    return real_zip_source_buffer_create ? real_zip_source_buffer_create(data, n, freeAfter, e) : nullptr;
}

int zip_source_close(zip_source_t* s) {
    KORVANE_LAZY_FUNCTION(library(), zip_source_close);
    return real_zip_source_close ? real_zip_source_close(s) : -1;
}

void zip_source_free(zip_source_t* s) {
    KORVANE_LAZY_FUNCTION(library(), zip_source_free);
    if (real_zip_source_free) real_zip_source_free(s);
}

void zip_source_keep(zip_source_t* s) {
    KORVANE_LAZY_FUNCTION(library(), zip_source_keep);
    if (real_zip_source_keep) real_zip_source_keep(s);
}

int zip_source_open(zip_source_t* s) {
    KORVANE_LAZY_FUNCTION(library(), zip_source_open);
    return real_zip_source_open ? real_zip_source_open(s) : -1;
}

zip_int64_t zip_source_read(zip_source_t* s, void* to, zip_uint64_t n) {
    KORVANE_LAZY_FUNCTION(library(), zip_source_read);
    return real_zip_source_read ? real_zip_source_read(s, to, n) : -1;
}

int zip_source_seek(zip_source_t* s, zip_int64_t offset, int whence) {
    KORVANE_LAZY_FUNCTION(library(), zip_source_seek);
    return real_zip_source_seek ? real_zip_source_seek(s, offset, whence) : -1;
}

zip_int64_t zip_source_tell(zip_source_t* s) {
    KORVANE_LAZY_FUNCTION(library(), zip_source_tell);
    return real_zip_source_tell ? real_zip_source_tell(s) : -1;
}

}  // extern "C"

// libzip is opened when the first zip archive is opened instead of being linked: it brings
// OpenSSL's crypto library and three compressors that every player would otherwise load and
// relocate at start, while few sessions play from archives. The functions below stand for the
// libzip calls the archive reader makes; the first of them opens the library and each hands
// its arguments on. Without the library no archive opens.
#include "lazy_library.h"

#include <zip.h>

namespace lazy = sorvel::lazy;

namespace {

constexpr const char* kSoname = "libzip.so.4";

struct Calls {
    decltype(&::zip_open) open = nullptr;
    decltype(&::zip_discard) discard = nullptr;
    decltype(&::zip_get_num_entries) getNumEntries = nullptr;
    decltype(&::zip_stat_init) statInit = nullptr;
    decltype(&::zip_stat_index) statIndex = nullptr;
    decltype(&::zip_fopen_index) fopenIndex = nullptr;
    decltype(&::zip_fread) fread = nullptr;
    decltype(&::zip_fclose) fclose = nullptr;
};

// Every call the program makes, all or none.
Calls open() {
    return lazy::open<Calls>("soundlib", kSoname, [](void* library, Calls& calls, bool& complete) {
        lazy::resolve(library, "zip_open", calls.open, complete);
        lazy::resolve(library, "zip_discard", calls.discard, complete);
        lazy::resolve(library, "zip_get_num_entries", calls.getNumEntries, complete);
        lazy::resolve(library, "zip_stat_init", calls.statInit, complete);
        lazy::resolve(library, "zip_stat_index", calls.statIndex, complete);
        lazy::resolve(library, "zip_fopen_index", calls.fopenIndex, complete);
        lazy::resolve(library, "zip_fread", calls.fread, complete);
        lazy::resolve(library, "zip_fclose", calls.fclose, complete);
    });
}

// Opened on first use, once, whichever thread gets there first.
const Calls& calls() {
    static const Calls opened = open();
    return opened;
}

} // namespace

extern "C" {

zip_t* zip_open(const char* path, int flags, int* errorp) {
    if (calls().open == nullptr && errorp != nullptr)
        *errorp = ZIP_ER_INTERNAL;
    return lazy::forward(calls(), &Calls::open, static_cast<zip_t*>(nullptr), path, flags, errorp);
}

void zip_discard(zip_t* archive) {
    lazy::forwardVoid(calls(), &Calls::discard, archive);
}

zip_int64_t zip_get_num_entries(zip_t* archive, zip_flags_t flags) {
    return lazy::forward(calls(), &Calls::getNumEntries, zip_int64_t{-1}, archive, flags);
}

void zip_stat_init(zip_stat_t* stat) {
    lazy::forwardVoid(calls(), &Calls::statInit, stat);
}

int zip_stat_index(zip_t* archive, zip_uint64_t index, zip_flags_t flags, zip_stat_t* stat) {
    return lazy::forward(calls(), &Calls::statIndex, -1, archive, index, flags, stat);
}

zip_file_t* zip_fopen_index(zip_t* archive, zip_uint64_t index, zip_flags_t flags) {
    return lazy::forward(calls(), &Calls::fopenIndex, static_cast<zip_file_t*>(nullptr), archive,
                         index, flags);
}

zip_int64_t zip_fread(zip_file_t* file, void* buffer, zip_uint64_t count) {
    return lazy::forward(calls(), &Calls::fread, zip_int64_t{-1}, file, buffer, count);
}

int zip_fclose(zip_file_t* file) {
    return lazy::forward(calls(), &Calls::fclose, -1, file);
}

} // extern "C"

// libopenmpt is opened when the first tracker module is opened instead of being linked: with
// its Vorbis and MPEG decoders it is loaded and relocated by every player otherwise, while few
// sessions play modules. The functions below stand for the libopenmpt calls the module decoder
// makes; the first of them opens the library and each hands its arguments on. Without the
// library no module opens (and no file is taken for one).
#include "lazy_library.h"

#include <libopenmpt/libopenmpt.h>

namespace lazy = sorvel::lazy;

namespace {

// libopenmpt 0.x's library on this platform.
constexpr const char* kSoname = "libopenmpt.so.0";

struct Calls {
    decltype(&::openmpt_probe_file_header) probeFileHeader = nullptr;
    decltype(&::openmpt_module_create_from_memory2) createFromMemory2 = nullptr;
    decltype(&::openmpt_module_destroy) destroy = nullptr;
    decltype(&::openmpt_module_set_repeat_count) setRepeatCount = nullptr;
    decltype(&::openmpt_module_get_duration_seconds) getDurationSeconds = nullptr;
    decltype(&::openmpt_module_get_metadata) getMetadata = nullptr;
    decltype(&::openmpt_free_string) freeString = nullptr;
    decltype(&::openmpt_module_read_interleaved_float_stereo) readInterleavedFloatStereo = nullptr;
    decltype(&::openmpt_module_set_position_seconds) setPositionSeconds = nullptr;
};

// Every call the program makes, all or none.
Calls open() {
    return lazy::open<Calls>("soundlib", kSoname, [](void* library, Calls& calls, bool& complete) {
        lazy::resolve(library, "openmpt_probe_file_header", calls.probeFileHeader, complete);
        lazy::resolve(library, "openmpt_module_create_from_memory2", calls.createFromMemory2,
                      complete);
        lazy::resolve(library, "openmpt_module_destroy", calls.destroy, complete);
        lazy::resolve(library, "openmpt_module_set_repeat_count", calls.setRepeatCount, complete);
        lazy::resolve(library, "openmpt_module_get_duration_seconds", calls.getDurationSeconds,
                      complete);
        lazy::resolve(library, "openmpt_module_get_metadata", calls.getMetadata, complete);
        lazy::resolve(library, "openmpt_free_string", calls.freeString, complete);
        lazy::resolve(library, "openmpt_module_read_interleaved_float_stereo",
                      calls.readInterleavedFloatStereo, complete);
        lazy::resolve(library, "openmpt_module_set_position_seconds", calls.setPositionSeconds,
                      complete);
    });
}

// Opened on first use, once, whichever thread gets there first.
const Calls& calls() {
    static const Calls opened = open();
    return opened;
}

} // namespace

extern "C" {

// The two callbacks the decoder hands to libopenmpt are plain enough to be ours: no message
// is logged, no error stored.
void openmpt_log_func_silent(const char* /*message*/, void* /*user*/) {}

int openmpt_error_func_ignore(int /*error*/, void* /*user*/) {
    return OPENMPT_ERROR_FUNC_RESULT_NONE;
}

int openmpt_probe_file_header(uint64_t flags, const void* data, size_t size, uint64_t filesize,
                              openmpt_log_func logfunc, void* loguser, openmpt_error_func errfunc,
                              void* erruser, int* error, const char** error_message) {
    return lazy::forward(calls(), &Calls::probeFileHeader,
                         int(OPENMPT_PROBE_FILE_HEADER_RESULT_ERROR), flags, data, size, filesize,
                         logfunc, loguser, errfunc, erruser, error, error_message);
}

openmpt_module* openmpt_module_create_from_memory2(const void* filedata, size_t filesize,
                                                   openmpt_log_func logfunc, void* loguser,
                                                   openmpt_error_func errfunc, void* erruser,
                                                   int* error, const char** error_message,
                                                   const openmpt_module_initial_ctl* ctls) {
    return lazy::forward(calls(), &Calls::createFromMemory2, static_cast<openmpt_module*>(nullptr),
                         filedata, filesize, logfunc, loguser, errfunc, erruser, error,
                         error_message, ctls);
}

void openmpt_module_destroy(openmpt_module* mod) {
    lazy::forwardVoid(calls(), &Calls::destroy, mod);
}

int openmpt_module_set_repeat_count(openmpt_module* mod, int32_t repeat_count) {
    return lazy::forward(calls(), &Calls::setRepeatCount, 0, mod, repeat_count);
}

double openmpt_module_get_duration_seconds(openmpt_module* mod) {
    return lazy::forward(calls(), &Calls::getDurationSeconds, 0.0, mod);
}

const char* openmpt_module_get_metadata(openmpt_module* mod, const char* key) {
    return lazy::forward(calls(), &Calls::getMetadata, static_cast<const char*>(nullptr), mod, key);
}

void openmpt_free_string(const char* str) {
    lazy::forwardVoid(calls(), &Calls::freeString, str);
}

size_t openmpt_module_read_interleaved_float_stereo(openmpt_module* mod, int32_t samplerate,
                                                    size_t count, float* interleaved_stereo) {
    return lazy::forward(calls(), &Calls::readInterleavedFloatStereo, size_t{0}, mod, samplerate,
                         count, interleaved_stereo);
}

double openmpt_module_set_position_seconds(openmpt_module* mod, double seconds) {
    return lazy::forward(calls(), &Calls::setPositionSeconds, 0.0, mod, seconds);
}

} // extern "C"

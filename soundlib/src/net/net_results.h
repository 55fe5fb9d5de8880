// What a finished network transfer means to the caller, as a library result.
#pragma once

#include "soundlib.h"

#include <curl/curl.h>

namespace soundlib {

// `code` is curl's result for the transfer, `httpStatus` the last response's status (0 when
// none came). CURLE_OK is FMOD_OK: the server ended the stream.
FMOD_RESULT resultForTransfer(CURLcode code, long httpStatus);

} // namespace soundlib

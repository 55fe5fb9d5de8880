#include "net_results.h"

namespace soundlib {

FMOD_RESULT resultForTransfer(CURLcode code, long httpStatus) {
    switch (code) {
    case CURLE_OK:
        return FMOD_OK;
    case CURLE_URL_MALFORMAT:
    case CURLE_UNSUPPORTED_PROTOCOL:
    case CURLE_COULDNT_RESOLVE_HOST:
    case CURLE_COULDNT_RESOLVE_PROXY:
        return FMOD_ERR_NET_URL;
    case CURLE_COULDNT_CONNECT:
        return FMOD_ERR_NET_CONNECT;
    case CURLE_OPERATION_TIMEDOUT:
        return FMOD_ERR_HTTP_TIMEOUT;
    case CURLE_LOGIN_DENIED:
    case CURLE_REMOTE_ACCESS_DENIED:
        return FMOD_ERR_HTTP_ACCESS;
    case CURLE_REMOTE_FILE_NOT_FOUND:
        return FMOD_ERR_FILE_NOTFOUND;
    case CURLE_GOT_NOTHING:
    case CURLE_WEIRD_SERVER_REPLY:
    case CURLE_TOO_MANY_REDIRECTS:
        return FMOD_ERR_HTTP;
    case CURLE_HTTP_RETURNED_ERROR:
        if (httpStatus == 401 || httpStatus == 403) {
            return FMOD_ERR_HTTP_ACCESS;
        }
        if (httpStatus == 407) {
            return FMOD_ERR_HTTP_PROXY_AUTH;
        }
        if (httpStatus >= 500 && httpStatus <= 599) {
            return FMOD_ERR_HTTP_SERVER_ERROR;
        }
        return FMOD_ERR_HTTP;
    default:
        return FMOD_ERR_NET_SOCKET_ERROR;
    }
}

} // namespace soundlib

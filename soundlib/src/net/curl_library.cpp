// libcurl is opened when the first network stream is opened instead of being linked: it brings
// its own tree (TLS stacks, LDAP, SSH, Kerberos) that every player would otherwise load and
// relocate at start, while most sessions play files. The functions below stand for the curl
// calls the HTTP stream makes; the first of them opens the library and each hands its
// arguments on. Without the library no handle is made and the stream reports a network error.
#include "lazy_library.h"

#include <cstdarg>
#include <curl/curl.h>

// The option setters are variadic; the functions below take their one argument themselves.
#undef curl_easy_setopt
#undef curl_easy_getinfo

namespace lazy = sorvel::lazy;

namespace {

constexpr const char* kSoname = "libcurl.so.4";

struct Calls {
    decltype(&::curl_global_init) globalInit = nullptr;
    decltype(&::curl_easy_init) easyInit = nullptr;
    decltype(&::curl_easy_cleanup) easyCleanup = nullptr;
    decltype(&::curl_easy_setopt) easySetopt = nullptr;
    decltype(&::curl_easy_getinfo) easyGetinfo = nullptr;
    decltype(&::curl_easy_pause) easyPause = nullptr;
    decltype(&::curl_multi_init) multiInit = nullptr;
    decltype(&::curl_multi_cleanup) multiCleanup = nullptr;
    decltype(&::curl_multi_add_handle) multiAddHandle = nullptr;
    decltype(&::curl_multi_remove_handle) multiRemoveHandle = nullptr;
    decltype(&::curl_multi_perform) multiPerform = nullptr;
    decltype(&::curl_multi_poll) multiPoll = nullptr;
    decltype(&::curl_multi_wakeup) multiWakeup = nullptr;
    decltype(&::curl_multi_info_read) multiInfoRead = nullptr;
    decltype(&::curl_slist_append) slistAppend = nullptr;
    decltype(&::curl_slist_free_all) slistFreeAll = nullptr;
};

// Every call the program makes, all or none.
Calls open() {
    return lazy::open<Calls>("soundlib", kSoname, [](void* library, Calls& calls, bool& complete) {
        lazy::resolve(library, "curl_global_init", calls.globalInit, complete);
        lazy::resolve(library, "curl_easy_init", calls.easyInit, complete);
        lazy::resolve(library, "curl_easy_cleanup", calls.easyCleanup, complete);
        lazy::resolve(library, "curl_easy_setopt", calls.easySetopt, complete);
        lazy::resolve(library, "curl_easy_getinfo", calls.easyGetinfo, complete);
        lazy::resolve(library, "curl_easy_pause", calls.easyPause, complete);
        lazy::resolve(library, "curl_multi_init", calls.multiInit, complete);
        lazy::resolve(library, "curl_multi_cleanup", calls.multiCleanup, complete);
        lazy::resolve(library, "curl_multi_add_handle", calls.multiAddHandle, complete);
        lazy::resolve(library, "curl_multi_remove_handle", calls.multiRemoveHandle, complete);
        lazy::resolve(library, "curl_multi_perform", calls.multiPerform, complete);
        lazy::resolve(library, "curl_multi_poll", calls.multiPoll, complete);
        lazy::resolve(library, "curl_multi_wakeup", calls.multiWakeup, complete);
        lazy::resolve(library, "curl_multi_info_read", calls.multiInfoRead, complete);
        lazy::resolve(library, "curl_slist_append", calls.slistAppend, complete);
        lazy::resolve(library, "curl_slist_free_all", calls.slistFreeAll, complete);
    });
}

// Opened on first use, once, whichever stream's thread gets there first.
const Calls& calls() {
    static const Calls opened = open();
    return opened;
}

} // namespace

extern "C" {

CURLcode curl_global_init(long flags) {
    return lazy::forward(calls(), &Calls::globalInit, CURLE_FAILED_INIT, flags);
}

CURL* curl_easy_init(void) {
    return lazy::forward(calls(), &Calls::easyInit, static_cast<CURL*>(nullptr));
}

void curl_easy_cleanup(CURL* curl) {
    lazy::forwardVoid(calls(), &Calls::easyCleanup, curl);
}

CURLcode curl_easy_setopt(CURL* curl, CURLoption option, ...) {
    // The option's number says what its argument is: a long, a pointer (object or callback)
    // or a curl_off_t.
    va_list arguments;
    va_start(arguments, option);
    CURLcode result = CURLE_FAILED_INIT;
    if (option < CURLOPTTYPE_OBJECTPOINT) {
        const long value = va_arg(arguments, long);
        result = lazy::forward(calls(), &Calls::easySetopt, result, curl, option, value);
    } else if (option >= CURLOPTTYPE_OFF_T && option < CURLOPTTYPE_BLOB) {
        const curl_off_t value = va_arg(arguments, curl_off_t);
        result = lazy::forward(calls(), &Calls::easySetopt, result, curl, option, value);
    } else {
        void* const value = va_arg(arguments, void*);
        result = lazy::forward(calls(), &Calls::easySetopt, result, curl, option, value);
    }
    va_end(arguments);
    return result;
}

CURLcode curl_easy_getinfo(CURL* curl, CURLINFO info, ...) {
    // Every kind of information is written through a pointer.
    va_list arguments;
    va_start(arguments, info);
    void* const into = va_arg(arguments, void*);
    va_end(arguments);
    return lazy::forward(calls(), &Calls::easyGetinfo, CURLE_FAILED_INIT, curl, info, into);
}

CURLcode curl_easy_pause(CURL* handle, int bitmask) {
    return lazy::forward(calls(), &Calls::easyPause, CURLE_FAILED_INIT, handle, bitmask);
}

CURLM* curl_multi_init(void) {
    return lazy::forward(calls(), &Calls::multiInit, static_cast<CURLM*>(nullptr));
}

CURLMcode curl_multi_cleanup(CURLM* multi_handle) {
    return lazy::forward(calls(), &Calls::multiCleanup, CURLM_BAD_HANDLE, multi_handle);
}

CURLMcode curl_multi_add_handle(CURLM* multi_handle, CURL* curl_handle) {
    return lazy::forward(calls(), &Calls::multiAddHandle, CURLM_BAD_HANDLE, multi_handle,
                         curl_handle);
}

CURLMcode curl_multi_remove_handle(CURLM* multi_handle, CURL* curl_handle) {
    return lazy::forward(calls(), &Calls::multiRemoveHandle, CURLM_BAD_HANDLE, multi_handle,
                         curl_handle);
}

CURLMcode curl_multi_perform(CURLM* multi_handle, int* running_handles) {
    return lazy::forward(calls(), &Calls::multiPerform, CURLM_BAD_HANDLE, multi_handle,
                         running_handles);
}

CURLMcode curl_multi_poll(CURLM* multi_handle, struct curl_waitfd extra_fds[],
                          unsigned int extra_nfds, int timeout_ms, int* ret) {
    return lazy::forward(calls(), &Calls::multiPoll, CURLM_BAD_HANDLE, multi_handle, extra_fds,
                         extra_nfds, timeout_ms, ret);
}

CURLMcode curl_multi_wakeup(CURLM* multi_handle) {
    return lazy::forward(calls(), &Calls::multiWakeup, CURLM_BAD_HANDLE, multi_handle);
}

CURLMsg* curl_multi_info_read(CURLM* multi_handle, int* msgs_in_queue) {
    return lazy::forward(calls(), &Calls::multiInfoRead, static_cast<CURLMsg*>(nullptr),
                         multi_handle, msgs_in_queue);
}

struct curl_slist* curl_slist_append(struct curl_slist* list, const char* data) {
    return lazy::forward(calls(), &Calls::slistAppend, static_cast<curl_slist*>(nullptr), list,
                         data);
}

void curl_slist_free_all(struct curl_slist* list) {
    lazy::forwardVoid(calls(), &Calls::slistFreeAll, list);
}

} // extern "C"

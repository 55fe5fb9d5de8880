// libmpv is opened when the first video is played instead of being linked: most sessions never
// show a video, and the library brings a large tree of its own (filters, renderers, speech
// voices, graphics stacks) that would otherwise be loaded, relocated and partly resident in
// every player from its start. The functions below stand for the mpv calls the video window
// makes; the first of them opens the library and each hands its arguments on. Without the
// library mpv_create() gives no handle and the video window reports that mpv could not start.
#include "lazy_library.h"

#include <mpv/client.h>
#include <mpv/render.h>
#include <string>

namespace lazy = sorvel::lazy;

namespace {

struct Calls {
    decltype(&::mpv_error_string) errorString = nullptr;
    decltype(&::mpv_free) free = nullptr;
    decltype(&::mpv_create) create = nullptr;
    decltype(&::mpv_initialize) initialize = nullptr;
    decltype(&::mpv_terminate_destroy) terminateDestroy = nullptr;
    decltype(&::mpv_free_node_contents) freeNodeContents = nullptr;
    decltype(&::mpv_set_option_string) setOptionString = nullptr;
    decltype(&::mpv_command) command = nullptr;
    decltype(&::mpv_command_ret) commandRet = nullptr;
    decltype(&::mpv_set_property) setProperty = nullptr;
    decltype(&::mpv_set_property_string) setPropertyString = nullptr;
    decltype(&::mpv_get_property) getProperty = nullptr;
    decltype(&::mpv_get_property_string) getPropertyString = nullptr;
    decltype(&::mpv_observe_property) observeProperty = nullptr;
    decltype(&::mpv_wait_event) waitEvent = nullptr;
    decltype(&::mpv_set_wakeup_callback) setWakeupCallback = nullptr;
    decltype(&::mpv_render_context_create) renderContextCreate = nullptr;
    decltype(&::mpv_render_context_set_update_callback) renderContextSetUpdateCallback = nullptr;
    decltype(&::mpv_render_context_update) renderContextUpdate = nullptr;
    decltype(&::mpv_render_context_render) renderContextRender = nullptr;
    decltype(&::mpv_render_context_free) renderContextFree = nullptr;
};

// Every call the program makes, all or none.
Calls open() {
    const std::string soname = "libmpv.so." + std::to_string(MPV_CLIENT_API_VERSION >> 16);
    return lazy::open<Calls>(
        "sorvel", soname.c_str(), [](void* library, Calls& calls, bool& complete) {
            lazy::resolve(library, "mpv_error_string", calls.errorString, complete);
            lazy::resolve(library, "mpv_free", calls.free, complete);
            lazy::resolve(library, "mpv_create", calls.create, complete);
            lazy::resolve(library, "mpv_initialize", calls.initialize, complete);
            lazy::resolve(library, "mpv_terminate_destroy", calls.terminateDestroy, complete);
            lazy::resolve(library, "mpv_free_node_contents", calls.freeNodeContents, complete);
            lazy::resolve(library, "mpv_set_option_string", calls.setOptionString, complete);
            lazy::resolve(library, "mpv_command", calls.command, complete);
            lazy::resolve(library, "mpv_command_ret", calls.commandRet, complete);
            lazy::resolve(library, "mpv_set_property", calls.setProperty, complete);
            lazy::resolve(library, "mpv_set_property_string", calls.setPropertyString, complete);
            lazy::resolve(library, "mpv_get_property", calls.getProperty, complete);
            lazy::resolve(library, "mpv_get_property_string", calls.getPropertyString, complete);
            lazy::resolve(library, "mpv_observe_property", calls.observeProperty, complete);
            lazy::resolve(library, "mpv_wait_event", calls.waitEvent, complete);
            lazy::resolve(library, "mpv_set_wakeup_callback", calls.setWakeupCallback, complete);
            lazy::resolve(library, "mpv_render_context_create", calls.renderContextCreate,
                          complete);
            lazy::resolve(library, "mpv_render_context_set_update_callback",
                          calls.renderContextSetUpdateCallback, complete);
            lazy::resolve(library, "mpv_render_context_update", calls.renderContextUpdate,
                          complete);
            lazy::resolve(library, "mpv_render_context_render", calls.renderContextRender,
                          complete);
            lazy::resolve(library, "mpv_render_context_free", calls.renderContextFree, complete);
        });
}

// Opened on first use, once; mpv is called from the UI thread only.
const Calls& calls() {
    static const Calls opened = open();
    return opened;
}

} // namespace

extern "C" {

const char* mpv_error_string(int error) {
    return lazy::forward(calls(), &Calls::errorString, "libmpv is not installed", error);
}

void mpv_free(void* data) {
    lazy::forwardVoid(calls(), &Calls::free, data);
}

mpv_handle* mpv_create(void) {
    return lazy::forward(calls(), &Calls::create, static_cast<mpv_handle*>(nullptr));
}

int mpv_initialize(mpv_handle* ctx) {
    return lazy::forward(calls(), &Calls::initialize, int(MPV_ERROR_UNINITIALIZED), ctx);
}

void mpv_terminate_destroy(mpv_handle* ctx) {
    lazy::forwardVoid(calls(), &Calls::terminateDestroy, ctx);
}

void mpv_free_node_contents(mpv_node* node) {
    lazy::forwardVoid(calls(), &Calls::freeNodeContents, node);
}

int mpv_set_option_string(mpv_handle* ctx, const char* name, const char* data) {
    return lazy::forward(calls(), &Calls::setOptionString, int(MPV_ERROR_UNINITIALIZED), ctx, name,
                         data);
}

int mpv_command(mpv_handle* ctx, const char** args) {
    return lazy::forward(calls(), &Calls::command, int(MPV_ERROR_UNINITIALIZED), ctx, args);
}

int mpv_command_ret(mpv_handle* ctx, const char** args, mpv_node* result) {
    return lazy::forward(calls(), &Calls::commandRet, int(MPV_ERROR_UNINITIALIZED), ctx, args,
                         result);
}

int mpv_set_property(mpv_handle* ctx, const char* name, mpv_format format, void* data) {
    return lazy::forward(calls(), &Calls::setProperty, int(MPV_ERROR_UNINITIALIZED), ctx, name,
                         format, data);
}

int mpv_set_property_string(mpv_handle* ctx, const char* name, const char* data) {
    return lazy::forward(calls(), &Calls::setPropertyString, int(MPV_ERROR_UNINITIALIZED), ctx,
                         name, data);
}

int mpv_get_property(mpv_handle* ctx, const char* name, mpv_format format, void* data) {
    return lazy::forward(calls(), &Calls::getProperty, int(MPV_ERROR_UNINITIALIZED), ctx, name,
                         format, data);
}

char* mpv_get_property_string(mpv_handle* ctx, const char* name) {
    return lazy::forward(calls(), &Calls::getPropertyString, static_cast<char*>(nullptr), ctx,
                         name);
}

int mpv_observe_property(mpv_handle* mpv, uint64_t reply_userdata, const char* name,
                         mpv_format format) {
    return lazy::forward(calls(), &Calls::observeProperty, int(MPV_ERROR_UNINITIALIZED), mpv,
                         reply_userdata, name, format);
}

mpv_event* mpv_wait_event(mpv_handle* ctx, double timeout) {
    static mpv_event none{}; // MPV_EVENT_NONE
    return lazy::forward(calls(), &Calls::waitEvent, &none, ctx, timeout);
}

void mpv_set_wakeup_callback(mpv_handle* ctx, void (*cb)(void* d), void* d) {
    lazy::forwardVoid(calls(), &Calls::setWakeupCallback, ctx, cb, d);
}

int mpv_render_context_create(mpv_render_context** res, mpv_handle* mpv, mpv_render_param* params) {
    return lazy::forward(calls(), &Calls::renderContextCreate, int(MPV_ERROR_UNINITIALIZED), res,
                         mpv, params);
}

void mpv_render_context_set_update_callback(mpv_render_context* ctx, mpv_render_update_fn callback,
                                            void* callback_ctx) {
    lazy::forwardVoid(calls(), &Calls::renderContextSetUpdateCallback, ctx, callback, callback_ctx);
}

uint64_t mpv_render_context_update(mpv_render_context* ctx) {
    return lazy::forward(calls(), &Calls::renderContextUpdate, uint64_t{0}, ctx);
}

int mpv_render_context_render(mpv_render_context* ctx, mpv_render_param* params) {
    return lazy::forward(calls(), &Calls::renderContextRender, int(MPV_ERROR_UNINITIALIZED), ctx,
                         params);
}

void mpv_render_context_free(mpv_render_context* ctx) {
    lazy::forwardVoid(calls(), &Calls::renderContextFree, ctx);
}

} // extern "C"

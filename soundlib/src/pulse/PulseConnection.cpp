#include "PulseConnection.h"

#include "pulse_properties.h"

#include <algorithm>
#include <pulse/introspect.h>
#include <pulse/rtclock.h>

namespace soundlib::pulse {

namespace {

bool broken(pa_context_state_t state) {
    return state == PA_CONTEXT_FAILED || state == PA_CONTEXT_TERMINATED;
}

struct Alarm {
    Connection* connection = nullptr;
    bool rang = false;
};

void onAlarm(pa_mainloop_api*, pa_time_event*, const struct timeval*, void* data) {
    auto* alarm = static_cast<Alarm*>(data);
    alarm->rang = true;
    alarm->connection->wake();
}

struct SinkQuery {
    Connection* connection = nullptr;
    std::string defaultName;
    std::vector<Sink> sinks;
    bool serverAnswered = false;
    bool sinksAnswered = false;
};

void onServerInfo(pa_context*, const pa_server_info* info, void* data) {
    auto* query = static_cast<SinkQuery*>(data);
    if (info != nullptr && info->default_sink_name != nullptr)
        query->defaultName = info->default_sink_name;
    query->serverAnswered = true;
    query->connection->wake();
}

void onSinkInfo(pa_context*, const pa_sink_info* info, int last, void* data) {
    auto* query = static_cast<SinkQuery*>(data);
    if (last != 0) {
        query->sinksAnswered = true;
        query->connection->wake();
        return;
    }
    if (info != nullptr && info->name != nullptr)
        query->sinks.push_back(
            {info->name, info->description != nullptr && *info->description != '\0'
                             ? info->description
                             : info->name});
}

} // namespace

Connection::Connection() {
    loop_ = pa_threaded_mainloop_new();
    if (loop_ == nullptr)
        return;
    const ProplistPtr properties = applicationProperties();
    context_ = pa_context_new_with_proplist(pa_threaded_mainloop_get_api(loop_), kApplicationName,
                                            properties.get());
    if (context_ == nullptr)
        return;
    pa_context_set_state_callback(context_, &Connection::onState, this);
    // Never spawn a server: no server means another output, not a daemon started behind the
    // user's back.
    if (pa_context_connect(context_, nullptr, PA_CONTEXT_NOAUTOSPAWN, nullptr) < 0 ||
        pa_threaded_mainloop_start(loop_) < 0) {
        state_.store(PA_CONTEXT_FAILED, std::memory_order_release);
        return;
    }
    started_ = true;
    pa_threaded_mainloop_lock(loop_);
    waitFor([this] { return ready(); });
    pa_threaded_mainloop_unlock(loop_);
}

Connection::~Connection() {
    if (loop_ == nullptr)
        return;
    if (started_)
        pa_threaded_mainloop_lock(loop_);
    if (context_ != nullptr) {
        pa_context_set_state_callback(context_, nullptr, nullptr);
        pa_context_disconnect(context_);
    }
    if (started_) {
        pa_threaded_mainloop_unlock(loop_);
        pa_threaded_mainloop_stop(loop_);
    }
    if (context_ != nullptr)
        pa_context_unref(context_);
    pa_threaded_mainloop_free(loop_);
}

void Connection::onState(pa_context* context, void* self) {
    auto* me = static_cast<Connection*>(self);
    const pa_context_state_t state = pa_context_get_state(context);
    if (broken(state) && me->state_.load(std::memory_order_relaxed) == PA_CONTEXT_READY)
        me->lost_.store(true, std::memory_order_release);
    me->state_.store(state, std::memory_order_release);
    me->wake();
}

bool Connection::waitFor(const std::function<bool()>& done) {
    Alarm alarm;
    alarm.connection = this;
    pa_time_event* timer = pa_context_rttime_new(
        context_, pa_rtclock_now() + std::chrono::microseconds(kAnswerTimeout).count(), &onAlarm,
        &alarm);
    while (!done() && !alarm.rang && !broken(state_.load(std::memory_order_acquire)))
        pa_threaded_mainloop_wait(loop_);
    if (timer != nullptr)
        pa_threaded_mainloop_get_api(loop_)->time_free(timer);
    return done();
}

std::vector<Sink> Connection::sinks() {
    if (!ready())
        return {};
    SinkQuery query;
    query.connection = this;
    pa_threaded_mainloop_lock(loop_);
    pa_operation* server = pa_context_get_server_info(context_, &onServerInfo, &query);
    pa_operation* list = pa_context_get_sink_info_list(context_, &onSinkInfo, &query);
    const bool answered = server != nullptr && list != nullptr &&
                          waitFor([&] { return query.serverAnswered && query.sinksAnswered; });
    // A late answer must not reach `query` once we have left.
    for (pa_operation* operation : {server, list}) {
        if (operation != nullptr) {
            if (pa_operation_get_state(operation) == PA_OPERATION_RUNNING)
                pa_operation_cancel(operation);
            pa_operation_unref(operation);
        }
    }
    pa_threaded_mainloop_unlock(loop_);
    if (!answered)
        return {};
    std::stable_partition(query.sinks.begin(), query.sinks.end(),
                          [&](const Sink& sink) { return sink.name == query.defaultName; });
    return query.sinks;
}

std::vector<Sink> listSinks() {
    Connection connection;
    return connection.sinks();
}

} // namespace soundlib::pulse

// A connection to a PulseAudio server (or PipeWire's PulseAudio service) on a threaded main loop
// of its own, and the server's sinks.
#pragma once

#include <atomic>
#include <chrono>
#include <functional>
#include <pulse/context.h>
#include <pulse/thread-mainloop.h>
#include <string>
#include <vector>

namespace soundlib::pulse {

// How long we wait for the server to answer a connection or a question. A server that takes
// longer is treated as absent, so a wedged server costs the caller this much and no more.
constexpr std::chrono::milliseconds kAnswerTimeout{3000};

struct Sink {
    std::string name;        // the server's name, what a stream is opened on
    std::string description; // what people read, the driver name we list
};

class Connection {
public:
    // Connects (never spawning a server) and waits for the server, at most kAnswerTimeout.
    Connection();
    // Disconnects and joins the loop thread. Whatever uses the context must be gone by then.
    ~Connection();
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    // The server answered and the connection still stands.
    bool ready() const { return state_.load(std::memory_order_acquire) == PA_CONTEXT_READY; }
    // The connection was ready once and has broken since (the server died or threw us out).
    bool lost() const { return lost_.load(std::memory_order_acquire); }

    pa_threaded_mainloop* loop() const { return loop_; }
    pa_context* context() const { return context_; }

    // With the loop locked: waits until done() holds, the connection breaks, or kAnswerTimeout
    // passes. Loop callbacks that change what done() reads must call wake(). True when done()
    // holds.
    bool waitFor(const std::function<bool()>& done);
    void wake() { pa_threaded_mainloop_signal(loop_, 0); }

    // The server's sinks, the default sink first, then the others in the server's order. Call
    // without the loop locked. Empty when the server does not answer in time.
    std::vector<Sink> sinks();

private:
    static void onState(pa_context* context, void* self);

    pa_threaded_mainloop* loop_ = nullptr;
    pa_context* context_ = nullptr;
    bool started_ = false; // the loop thread runs
    std::atomic<pa_context_state_t> state_{PA_CONTEXT_UNCONNECTED};
    std::atomic<bool> lost_{false};
};

// The sinks of the server our environment points at; empty when there is none.
std::vector<Sink> listSinks();

} // namespace soundlib::pulse

// The capture of network streams: the sound library's file-system hooks report, on its
// streaming thread, that a stream was opened, each block of bytes it received, and that it was
// closed. The hooks only queue these events (lock-free); the playback tick writes them to the
// capture file in order, so every received byte lands in the file exactly once.
#pragma once

#include "soundlib.h"

#include <atomic>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <memory>
#include <vector>

namespace sorvel {

class NetCapture {
public:
    NetCapture();
    ~NetCapture(); // frees events never serviced
    NetCapture(const NetCapture&) = delete;
    NetCapture& operator=(const NetCapture&) = delete;

    // The hooks handed to FMOD_System_AttachFileSystem. They reach the capture made last.
    static FMOD_RESULT F_CALLBACK OpenHook(const char* name, int unicode, unsigned int* filesize,
                                           void** handle, void** userdata);
    static FMOD_RESULT F_CALLBACK CloseHook(void* handle, void* userdata);
    static FMOD_RESULT F_CALLBACK ReadHook(void* handle, void* buffer, unsigned int sizebytes,
                                           unsigned int* bytesread, void* userdata);

    // UI thread: carries out every queued event on `captureFile`. An open starts an empty file.
    void Service(const std::filesystem::path& captureFile);
    bool fileOpen() const { return file_.is_open(); }

private:
    struct Event {
        enum class Kind : uint8_t { Open, Read, Close } kind = Kind::Read;
        std::vector<uint8_t> bytes;
        Event* next = nullptr;
    };
    // Unbounded and lock-free: the streaming thread never waits on the UI, so stopping a
    // stream (which joins that thread) can never hang on a full queue.
    void push(std::unique_ptr<Event> event);

    std::atomic<Event*> pending_{nullptr}; // newest first
    std::ofstream file_;
};

} // namespace sorvel

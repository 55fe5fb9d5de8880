#include "NetCapture.h"

#include <chrono>
#include <thread>

namespace sorvel {
namespace {

std::atomic<NetCapture*> activeCapture{nullptr};

} // namespace

NetCapture::NetCapture() : ring_(kCapacity) {
    activeCapture.store(this);
}

NetCapture::~NetCapture() {
    NetCapture* self = this;
    activeCapture.compare_exchange_strong(self, nullptr);
}

void NetCapture::push(std::unique_ptr<Event> event) {
    // Streaming thread. The UI drains the queue every tick; should it fall this far behind,
    // wait rather than drop bytes.
    for (;;) {
        const size_t head = head_.load(std::memory_order_relaxed);
        if (head - tail_.load(std::memory_order_acquire) < kCapacity) {
            ring_[head % kCapacity] = std::move(event);
            head_.store(head + 1, std::memory_order_release);
            return;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
}

FMOD_RESULT NetCapture::OpenHook(const char*, int, unsigned int* filesize, void** handle, void**) {
    if (filesize != nullptr) {
        *filesize = 0;
    }
    NetCapture* capture = activeCapture.load();
    if (handle != nullptr) {
        *handle = capture;
    }
    if (capture != nullptr) {
        auto event = std::make_unique<Event>();
        event->kind = Event::Kind::Open;
        capture->push(std::move(event));
    }
    return FMOD_OK;
}

FMOD_RESULT NetCapture::CloseHook(void*, void*) {
    if (NetCapture* capture = activeCapture.load()) {
        auto event = std::make_unique<Event>();
        event->kind = Event::Kind::Close;
        capture->push(std::move(event));
    }
    return FMOD_OK;
}

FMOD_RESULT NetCapture::ReadHook(void*, void* buffer, unsigned int sizebytes,
                                 unsigned int* bytesread, void*) {
    const unsigned int count = bytesread != nullptr ? *bytesread : sizebytes;
    NetCapture* capture = activeCapture.load();
    if (capture != nullptr && buffer != nullptr && count > 0) {
        auto event = std::make_unique<Event>();
        const auto* bytes = static_cast<const uint8_t*>(buffer);
        event->bytes.assign(bytes, bytes + count);
        capture->push(std::move(event));
    }
    return FMOD_OK;
}

void NetCapture::Service(const std::filesystem::path& captureFile) {
    for (;;) {
        const size_t tail = tail_.load(std::memory_order_relaxed);
        if (tail == head_.load(std::memory_order_acquire)) {
            break;
        }
        std::unique_ptr<Event> event = std::move(ring_[tail % kCapacity]);
        tail_.store(tail + 1, std::memory_order_release);
        switch (event->kind) {
        case Event::Kind::Open:
            file_.close();
            file_.clear();
            file_.open(captureFile, std::ios::binary | std::ios::trunc);
            break;
        case Event::Kind::Read:
            if (file_.is_open()) {
                file_.write(reinterpret_cast<const char*>(event->bytes.data()),
                            static_cast<std::streamsize>(event->bytes.size()));
                file_.flush();
            }
            break;
        case Event::Kind::Close:
            file_.close();
            break;
        }
    }
}

} // namespace sorvel

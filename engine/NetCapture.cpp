#include "NetCapture.h"

namespace sorvel {
namespace {

std::atomic<NetCapture*> activeCapture{nullptr};

} // namespace

NetCapture::NetCapture() {
    activeCapture.store(this);
}

NetCapture::~NetCapture() {
    NetCapture* self = this;
    activeCapture.compare_exchange_strong(self, nullptr);
    for (Event* event = pending_.exchange(nullptr); event != nullptr;) {
        std::unique_ptr<Event> owned(event);
        event = owned->next;
    }
}

void NetCapture::push(std::unique_ptr<Event> event) {
    Event* node = event.release();
    node->next = pending_.load(std::memory_order_relaxed);
    while (!pending_.compare_exchange_weak(node->next, node, std::memory_order_release,
                                           std::memory_order_relaxed)) {
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
    // Take everything queued so far; it comes newest first, so turn it around.
    std::vector<std::unique_ptr<Event>> events;
    for (Event* event = pending_.exchange(nullptr, std::memory_order_acquire); event != nullptr;) {
        Event* next = event->next;
        events.emplace_back(event);
        event = next;
    }
    for (auto it = events.rbegin(); it != events.rend(); ++it) {
        Event& event = **it;
        switch (event.kind) {
        case Event::Kind::Open:
            file_.close();
            file_.clear();
            file_.open(captureFile, std::ios::binary | std::ios::trunc);
            break;
        case Event::Kind::Read:
            if (file_.is_open()) {
                file_.write(reinterpret_cast<const char*>(event.bytes.data()),
                            static_cast<std::streamsize>(event.bytes.size()));
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

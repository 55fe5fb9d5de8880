// Receives a network stream (HTTP with ICY metadata, or FTP) through libcurl on a thread of
// its own, into a ReceiveBuffer. The capture hooks see every audio byte on that thread, in
// order, as it arrives; titles found in the metadata are pinned to their place in the audio.
// Pauses the transfer while the buffer is full and gives up when the server stays silent past
// the timeout.
#pragma once

#include "IcyDemuxer.h"
#include "ReceiveBuffer.h"
#include "decoder.h"

#include <atomic>
#include <chrono>
#include <curl/curl.h>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace soundlib {

class HttpStream {
public:
    // Starts receiving at once.
    HttpStream(std::string address, const NetworkOptions& options,
               std::shared_ptr<ReceiveBuffer> buffer);
    ~HttpStream();
    HttpStream(const HttpStream&) = delete;
    HttpStream& operator=(const HttpStream&) = delete;

    // Any thread: stops the transfer soon (the thread then ends the buffer and the hooks).
    void abort();
    // The response's Content-Type, once the body has begun (else empty). Receiving thread
    // writes it before the first byte reaches the buffer.
    std::string contentType() const;

private:
    struct EasyDeleter {
        void operator()(CURL* easy) const { curl_easy_cleanup(easy); }
    };
    struct MultiDeleter {
        void operator()(CURLM* multi) const { curl_multi_cleanup(multi); }
    };
    struct ListDeleter {
        void operator()(curl_slist* list) const { curl_slist_free_all(list); }
    };

    static size_t onBody(char* data, size_t size, size_t count, void* self);
    static size_t onHeader(char* data, size_t size, size_t count, void* self);

    void run();
    FMOD_RESULT transfer();
    bool configure();
    size_t takeBody(std::span<const uint8_t> bytes);
    void takeAudio(std::span<const uint8_t> audio);
    void takeMetadata(const std::string& block);
    void drainSpill();
    void closeHooks();

    std::string address_;
    NetworkOptions options_;
    std::shared_ptr<ReceiveBuffer> buffer_;

    std::unique_ptr<CURLM, MultiDeleter> multi_;
    std::unique_ptr<CURL, EasyDeleter> easy_;
    std::unique_ptr<curl_slist, ListDeleter> requestHeaders_;
    std::unique_ptr<curl_slist, ListDeleter> aliases_;

    // Receiving thread only.
    size_t metaint_ = 0;
    std::string contentTypeHeader_;
    std::optional<IcyDemuxer> icy_;
    std::vector<uint8_t> spill_; // received audio waiting for room in the buffer
    bool paused_ = false;
    uint64_t audioBytes_ = 0;
    std::string lastTitle_;
    bool hooksOpen_ = false;
    void* hookHandle_ = nullptr;
    void* hookUserData_ = nullptr;
    std::chrono::steady_clock::time_point lastData_;

    mutable std::mutex typeMutex_;
    std::string contentType_;
    std::atomic<bool> aborted_{false};
    std::thread thread_;
};

} // namespace soundlib

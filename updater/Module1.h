// The updater's network module: one request at a time over libcurl, read in chunks of at most
// 1024 bytes, with the window's events run between chunks and while the server is awaited.
#pragma once

#include <cstddef>
#include <cstdint>
#include <curl/curl.h>
#include <filesystem>
#include <functional>
#include <optional>
#include <span>
#include <string>

namespace sorvel::updater {

inline constexpr std::size_t kChunkBytes = 1024;

enum class DownloadResult {
    Complete,
    CannotConnect, // no answer from the server at all
    BadStatus,     // the server answered, but not with 200
    Incomplete,    // the transfer broke off or fell short of the announced length
    WriteFailed,   // the local file could not be made or written
    Cancelled,     // the window was closed
};

struct DownloadOutcome {
    DownloadResult result = DownloadResult::Complete;
    long status = 0;    // the HTTP status, 0 without an answer
    std::string detail; // what went wrong, for the message
};

class Module1 {
public:
    struct Hooks {
        // Runs the window's pending events; false asks to stop the transfer.
        std::function<bool()> pendingEvents;
        // Called after each chunk written by Download (the progress block moves).
        std::function<void()> chunkDone;
    };

    explicit Module1(Hooks hooks = {});
    ~Module1();
    Module1(const Module1&) = delete;
    Module1& operator=(const Module1&) = delete;

    // Opens the session (agent "Sample", the proxy from the environment's variables, nothing
    // from a cache) and the request for `url`, and waits for the server's first answer. False
    // when the session cannot be made or the server gives no answer at all.
    bool OpenUrl(const std::string& url);
    // Up to 1024 bytes (and at most buffer.size()) of the open request's body; 0 at its end, on
    // a failure or when stopped.
    std::size_t ReadChunk(std::span<char> buffer);
    // Ends the request, then the session.
    void CloseHandles();

    // Fetches `url` into `localPath` through a temporary file in the same folder, which takes
    // the name only when the whole body arrived with status 200 (and the announced length,
    // when one was announced). Any earlier file of that name stays as it was otherwise.
    DownloadOutcome Download(const std::string& url, const std::filesystem::path& localPath);

    // After ReadChunk has returned 0: the request's status and whether the body arrived whole.
    long status() const;
    std::optional<std::uint64_t> announcedLength() const;
    bool receivedWhole() const;
    std::string failureText() const;

private:
    static std::size_t receive(char* data, std::size_t size, std::size_t count, void* self);
    // Drives the transfer until body bytes wait in the buffer or it has ended.
    void pump();

    Hooks hooks_;
    CURLM* session_ = nullptr;
    CURL* request_ = nullptr;
    curl_slist* headers_ = nullptr;
    std::string buffer_;
    std::size_t bufferAt_ = 0;
    bool ended_ = false;
    bool stopped_ = false;
    int result_ = 0; // the transfer's CURLcode once ended
    std::uint64_t received_ = 0;
};

} // namespace sorvel::updater

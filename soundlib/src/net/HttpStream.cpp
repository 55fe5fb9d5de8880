#include "HttpStream.h"

#include "icy_metadata.h"
#include "net_results.h"

#include <algorithm>
#include <cctype>
#include <mutex>
#include <string_view>

namespace soundlib {
namespace {

// Longest the receiving thread sleeps before it looks at its abort flag and the buffer again.
constexpr auto kPollSlice = std::chrono::milliseconds(50);
constexpr auto kPausedPollSlice = std::chrono::milliseconds(10);

void initCurl() {
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

bool startsWithNoCase(std::string_view text, std::string_view prefix) {
    return text.size() >= prefix.size() &&
           std::equal(prefix.begin(), prefix.end(), text.begin(), [](char a, char b) {
               return std::tolower(static_cast<unsigned char>(a)) ==
                      std::tolower(static_cast<unsigned char>(b));
           });
}

std::string_view trimLine(std::string_view text) {
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.front()))) {
        text.remove_prefix(1);
    }
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.back()))) {
        text.remove_suffix(1);
    }
    return text;
}

} // namespace

HttpStream::HttpStream(std::string address, const NetworkOptions& options,
                       std::shared_ptr<ReceiveBuffer> buffer)
    : address_(std::move(address)), options_(options), buffer_(std::move(buffer)) {
    initCurl();
    // Made here so abort() can wake the transfer from any thread.
    multi_.reset(curl_multi_init());
    easy_.reset(curl_easy_init());
    thread_ = std::thread([this] { run(); });
}

HttpStream::~HttpStream() {
    abort();
    if (thread_.joinable()) {
        thread_.join();
    }
}

void HttpStream::abort() {
    aborted_.store(true, std::memory_order_release);
    if (multi_) {
        curl_multi_wakeup(multi_.get());
    }
}

std::string HttpStream::contentType() const {
    std::lock_guard lock(typeMutex_);
    return contentType_;
}

void HttpStream::run() {
    const FMOD_RESULT result = transfer();
    closeHooks();
    drainSpill();
    buffer_->finish(result);
}

bool HttpStream::configure() {
    CURL* easy = easy_.get();
    requestHeaders_.reset(curl_slist_append(nullptr, "Icy-MetaData: 1"));
    // SHOUTcast servers answer with their own status line.
    aliases_.reset(curl_slist_append(nullptr, "ICY 200 OK"));
    if (!requestHeaders_ || !aliases_) {
        return false;
    }
    const long timeoutMs = std::max(options_.timeoutMs, 100);
    return curl_easy_setopt(easy, CURLOPT_URL, address_.c_str()) == CURLE_OK &&
           curl_easy_setopt(easy, CURLOPT_PROTOCOLS_STR, "http,https,ftp") == CURLE_OK &&
           curl_easy_setopt(easy, CURLOPT_REDIR_PROTOCOLS_STR, "http,https,ftp") == CURLE_OK &&
           curl_easy_setopt(easy, CURLOPT_FOLLOWLOCATION, 1L) == CURLE_OK &&
           curl_easy_setopt(easy, CURLOPT_MAXREDIRS, 5L) == CURLE_OK &&
           curl_easy_setopt(easy, CURLOPT_FAILONERROR, 1L) == CURLE_OK &&
           curl_easy_setopt(easy, CURLOPT_NOSIGNAL, 1L) == CURLE_OK &&
           curl_easy_setopt(easy, CURLOPT_CONNECTTIMEOUT_MS, timeoutMs) == CURLE_OK &&
           curl_easy_setopt(easy, CURLOPT_USERAGENT, "Sorvel") == CURLE_OK &&
           curl_easy_setopt(easy, CURLOPT_HTTPHEADER, requestHeaders_.get()) == CURLE_OK &&
           curl_easy_setopt(easy, CURLOPT_HTTP200ALIASES, aliases_.get()) == CURLE_OK &&
           curl_easy_setopt(easy, CURLOPT_HTTP09_ALLOWED, 1L) == CURLE_OK &&
           curl_easy_setopt(easy, CURLOPT_HEADERFUNCTION, &HttpStream::onHeader) == CURLE_OK &&
           curl_easy_setopt(easy, CURLOPT_HEADERDATA, this) == CURLE_OK &&
           curl_easy_setopt(easy, CURLOPT_WRITEFUNCTION, &HttpStream::onBody) == CURLE_OK &&
           curl_easy_setopt(easy, CURLOPT_WRITEDATA, this) == CURLE_OK;
}

FMOD_RESULT HttpStream::transfer() {
    if (!multi_ || !easy_) {
        return FMOD_ERR_MEMORY;
    }
    if (!configure()) {
        return FMOD_ERR_NET_URL;
    }
    CURLM* multi = multi_.get();
    CURL* easy = easy_.get();
    if (curl_multi_add_handle(multi, easy) != CURLM_OK) {
        return FMOD_ERR_MEMORY;
    }
    const auto timeout = std::chrono::milliseconds(std::max(options_.timeoutMs, 100));
    lastData_ = std::chrono::steady_clock::now();
    FMOD_RESULT result = FMOD_OK;
    for (;;) {
        if (aborted_.load(std::memory_order_acquire)) {
            break;
        }
        if (!spill_.empty()) {
            spill_.erase(spill_.begin(),
                         spill_.begin() + static_cast<long>(buffer_->write(spill_)));
        }
        if (paused_ && spill_.empty()) {
            // Room again: the server's silence only counts from here.
            paused_ = false;
            lastData_ = std::chrono::steady_clock::now();
            curl_easy_pause(easy, CURLPAUSE_CONT);
        }
        int running = 0;
        if (curl_multi_perform(multi, &running) != CURLM_OK) {
            result = FMOD_ERR_NET_SOCKET_ERROR;
            break;
        }
        int left = 0;
        bool done = false;
        while (CURLMsg* message = curl_multi_info_read(multi, &left)) {
            if (message->msg == CURLMSG_DONE) {
                long status = 0;
                curl_easy_getinfo(easy, CURLINFO_RESPONSE_CODE, &status);
                result = resultForTransfer(message->data.result, status);
                done = true;
            }
        }
        if (done || running == 0) {
            break;
        }
        const bool waitingForRoom = paused_ || !spill_.empty();
        if (!waitingForRoom && std::chrono::steady_clock::now() - lastData_ > timeout) {
            result = FMOD_ERR_HTTP_TIMEOUT;
            break;
        }
        const auto slice = waitingForRoom ? kPausedPollSlice : kPollSlice;
        curl_multi_poll(multi, nullptr, 0, static_cast<int>(slice.count()), nullptr);
    }
    curl_multi_remove_handle(multi, easy);
    return result;
}

size_t HttpStream::onHeader(char* data, size_t size, size_t count, void* self) {
    auto* stream = static_cast<HttpStream*>(self);
    const std::string_view line(data, size * count);
    stream->lastData_ = std::chrono::steady_clock::now();
    if (startsWithNoCase(line, "HTTP/") || startsWithNoCase(line, "ICY ")) {
        // A new response (after a redirect): forget what the last one said.
        stream->metaint_ = 0;
        stream->contentTypeHeader_.clear();
    } else if (startsWithNoCase(line, "icy-metaint:")) {
        const std::string value(trimLine(line.substr(12)));
        size_t parsed = 0;
        for (const char c : value) {
            if (!std::isdigit(static_cast<unsigned char>(c)) || parsed > (size_t{1} << 24)) {
                break;
            }
            parsed = parsed * 10 + static_cast<size_t>(c - '0');
        }
        stream->metaint_ = parsed;
    } else if (startsWithNoCase(line, "content-type:")) {
        stream->contentTypeHeader_ = std::string(trimLine(line.substr(13)));
    }
    return size * count;
}

size_t HttpStream::onBody(char* data, size_t size, size_t count, void* self) {
    auto* stream = static_cast<HttpStream*>(self);
    if (stream->aborted_.load(std::memory_order_acquire)) {
        return 0; // ends the transfer with a write error
    }
    if (!stream->spill_.empty()) {
        // The buffer is full: curl keeps this block and offers it again once resumed.
        stream->paused_ = true;
        return CURL_WRITEFUNC_PAUSE;
    }
    stream->lastData_ = std::chrono::steady_clock::now();
    return stream->takeBody(
        std::span<const uint8_t>(reinterpret_cast<const uint8_t*>(data), size * count));
}

size_t HttpStream::takeBody(std::span<const uint8_t> bytes) {
    if (!icy_) {
        // The first body bytes: the headers are complete.
        {
            std::lock_guard lock(typeMutex_);
            contentType_ = contentTypeHeader_;
        }
        icy_.emplace(
            metaint_, [this](std::span<const uint8_t> audio) { takeAudio(audio); },
            [this](const std::string& block) { takeMetadata(block); });
        void* handle = nullptr;
        void* userData = nullptr;
        unsigned int fileSize = 0;
        hooksOpen_ = (options_.read != nullptr || options_.close != nullptr) &&
                     (options_.open == nullptr ||
                      options_.open(address_.c_str(), 0, &fileSize, &handle, &userData) == FMOD_OK);
        hookHandle_ = handle;
        hookUserData_ = userData;
    }
    icy_->feed(bytes);
    return bytes.size();
}

void HttpStream::takeAudio(std::span<const uint8_t> audio) {
    if (hooksOpen_ && options_.read != nullptr) {
        // The hook is a tap: it sees the bytes, it does not read them for us.
        unsigned int count = static_cast<unsigned int>(audio.size());
        options_.read(hookHandle_, const_cast<uint8_t*>(audio.data()), count, &count,
                      hookUserData_);
    }
    audioBytes_ += audio.size();
    const size_t taken = spill_.empty() ? buffer_->write(audio) : 0;
    spill_.insert(spill_.end(), audio.begin() + static_cast<long>(taken), audio.end());
}

void HttpStream::takeMetadata(const std::string& block) {
    const auto title = icyStreamTitle(block);
    if (!title || title->empty() || *title == lastTitle_) {
        return;
    }
    lastTitle_ = *title;
    auto [artist, name] = splitArtistTitle(icyTextToUtf8(*title));
    std::vector<DecodedTag> tags;
    tags.push_back({FMOD_TAGTYPE_SHOUTCAST, "ARTIST", std::move(artist)});
    tags.push_back({FMOD_TAGTYPE_SHOUTCAST, "TITLE", std::move(name)});
    buffer_->pinTags(audioBytes_, std::move(tags));
}

void HttpStream::drainSpill() {
    while (!spill_.empty() && !aborted_.load(std::memory_order_acquire) && !buffer_->aborted()) {
        const size_t taken = buffer_->write(spill_);
        spill_.erase(spill_.begin(), spill_.begin() + static_cast<long>(taken));
        if (taken == 0) {
            buffer_->waitForSpace(kPollSlice);
        }
    }
}

void HttpStream::closeHooks() {
    if (hooksOpen_ && options_.close != nullptr) {
        options_.close(hookHandle_, hookUserData_);
    }
    hooksOpen_ = false;
}

} // namespace soundlib

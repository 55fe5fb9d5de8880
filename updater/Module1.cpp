#include "Module1.h"

#include "file_descriptor.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <unistd.h>

namespace sorvel::updater {
namespace fs = std::filesystem;

namespace {

constexpr int kWaitSliceMs = 50;
constexpr long kConnectSeconds = 20;
// A transfer slower than one byte a second for a minute has stalled.
constexpr long kStallSeconds = 60;
constexpr long kMaxRedirects = 5;

// A file being written under a temporary name, removed unless it is kept.
class PartFile {
public:
    explicit PartFile(const fs::path& target)
        : pattern_((target.parent_path() / ("." + target.filename().string() + ".XXXXXX"))),
          file_(::mkstemp(pattern_.data())) {}
    ~PartFile() {
        if (!kept_) {
            ::unlink(pattern_.c_str());
        }
    }
    bool open() const { return file_.valid(); }
    bool write(const char* data, std::size_t size) {
        return writeAll(file_.get(), std::string_view(data, size));
    }
    // Flushes the file to the disk and gives it the target's name.
    bool keepAs(const fs::path& target) {
        const bool flushed = ::fsync(file_.get()) == 0;
        kept_ = file_.close() && flushed && ::rename(pattern_.c_str(), target.c_str()) == 0;
        return kept_;
    }

private:
    std::string pattern_;
    FileDescriptor file_;
    bool kept_ = false;
};

} // namespace

Module1::Module1(Hooks hooks) : hooks_(std::move(hooks)) {
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

Module1::~Module1() {
    CloseHandles();
}

bool Module1::OpenUrl(const std::string& url) {
    CloseHandles();
    session_ = curl_multi_init();
    if (session_ == nullptr) {
        return false;
    }
    request_ = curl_easy_init();
    if (request_ == nullptr) {
        CloseHandles();
        return false;
    }
    headers_ = curl_slist_append(headers_, "Cache-Control: no-cache");
    headers_ = curl_slist_append(headers_, "Pragma: no-cache");
    const bool secure = url.rfind("https://", 0) == 0;
    curl_easy_setopt(request_, CURLOPT_URL, url.c_str());
    curl_easy_setopt(request_, CURLOPT_USERAGENT, "Sample");
    curl_easy_setopt(request_, CURLOPT_HTTPHEADER, headers_);
    curl_easy_setopt(request_, CURLOPT_PROTOCOLS_STR, "http,https");
    // A redirect never takes an https request down to plain http.
    curl_easy_setopt(request_, CURLOPT_REDIR_PROTOCOLS_STR, secure ? "https" : "http,https");
    curl_easy_setopt(request_, CURLOPT_FOLLOWLOCATION, 1L);
    curl_easy_setopt(request_, CURLOPT_MAXREDIRS, kMaxRedirects);
    curl_easy_setopt(request_, CURLOPT_CONNECTTIMEOUT, kConnectSeconds);
    curl_easy_setopt(request_, CURLOPT_LOW_SPEED_LIMIT, 1L);
    curl_easy_setopt(request_, CURLOPT_LOW_SPEED_TIME, kStallSeconds);
    curl_easy_setopt(request_, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(request_, CURLOPT_WRITEFUNCTION, &Module1::receive);
    curl_easy_setopt(request_, CURLOPT_WRITEDATA, this);
    if (curl_multi_add_handle(session_, request_) != CURLM_OK) {
        CloseHandles();
        return false;
    }
    pump();
    // Anything the server said counts as an answer; its status is judged by the caller.
    if (ended_ && status() == 0) {
        CloseHandles();
        return false;
    }
    return true;
}

std::size_t Module1::receive(char* data, std::size_t size, std::size_t count, void* self) {
    auto* module = static_cast<Module1*>(self);
    module->buffer_.append(data, size * count);
    module->received_ += size * count;
    return size * count;
}

void Module1::pump() {
    while (!ended_ && bufferAt_ == buffer_.size()) {
        int running = 0;
        curl_multi_perform(session_, &running);
        int waiting = 0;
        while (CURLMsg* message = curl_multi_info_read(session_, &waiting)) {
            if (message->msg == CURLMSG_DONE) {
                ended_ = true;
                result_ = message->data.result;
            }
        }
        if (ended_ || bufferAt_ < buffer_.size()) {
            return;
        }
        if (hooks_.pendingEvents && !hooks_.pendingEvents()) {
            ended_ = true;
            stopped_ = true;
            return;
        }
        curl_multi_poll(session_, nullptr, 0, kWaitSliceMs, nullptr);
    }
}

std::size_t Module1::ReadChunk(std::span<char> buffer) {
    if (request_ == nullptr || stopped_) {
        return 0;
    }
    pump();
    const std::size_t count = std::min({kChunkBytes, buffer.size(), buffer_.size() - bufferAt_});
    std::copy_n(buffer_.data() + bufferAt_, count, buffer.data());
    bufferAt_ += count;
    if (bufferAt_ == buffer_.size()) {
        buffer_.clear();
        bufferAt_ = 0;
    }
    return count;
}

void Module1::CloseHandles() {
    if (request_ != nullptr) {
        if (session_ != nullptr) {
            curl_multi_remove_handle(session_, request_);
        }
        curl_easy_cleanup(request_);
        request_ = nullptr;
    }
    if (session_ != nullptr) {
        curl_multi_cleanup(session_);
        session_ = nullptr;
    }
    curl_slist_free_all(headers_);
    headers_ = nullptr;
    buffer_.clear();
    bufferAt_ = 0;
    ended_ = false;
    stopped_ = false;
    result_ = CURLE_OK;
    received_ = 0;
}

long Module1::status() const {
    long code = 0;
    if (request_ != nullptr) {
        curl_easy_getinfo(request_, CURLINFO_RESPONSE_CODE, &code);
    }
    return code;
}

std::optional<std::uint64_t> Module1::announcedLength() const {
    curl_off_t length = -1;
    if (request_ != nullptr) {
        curl_easy_getinfo(request_, CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &length);
    }
    return length >= 0 ? std::optional<std::uint64_t>(static_cast<std::uint64_t>(length))
                       : std::nullopt;
}

bool Module1::receivedWhole() const {
    const auto length = announcedLength();
    return ended_ && !stopped_ && result_ == CURLE_OK && (!length || *length == received_);
}

std::string Module1::failureText() const {
    if (stopped_) {
        return "stopped";
    }
    if (result_ != CURLE_OK) {
        return curl_easy_strerror(static_cast<CURLcode>(result_));
    }
    if (const auto length = announcedLength(); length && *length != received_) {
        return std::to_string(received_) + " of " + std::to_string(*length) + " bytes";
    }
    return {};
}

DownloadOutcome Module1::Download(const std::string& url, const fs::path& localPath) {
    if (url.empty() || localPath.empty()) {
        return {DownloadResult::WriteFailed, 0, "no address or file"};
    }
    PartFile file(localPath);
    if (!file.open()) {
        return {DownloadResult::WriteFailed, 0, localPath.string()};
    }
    if (!OpenUrl(url)) {
        return {DownloadResult::CannotConnect, 0, failureText()};
    }
    DownloadOutcome outcome;
    char chunk[kChunkBytes];
    bool written = true;
    while (const std::size_t count = ReadChunk(chunk)) {
        if (status() != 200) {
            break; // an error page is never written
        }
        written = written && file.write(chunk, count);
        if (hooks_.chunkDone) {
            hooks_.chunkDone();
        }
        if (hooks_.pendingEvents && !hooks_.pendingEvents()) {
            stopped_ = true;
            break;
        }
    }
    outcome.status = status();
    if (stopped_) {
        outcome = {DownloadResult::Cancelled, outcome.status, "stopped"};
    } else if (outcome.status != 200) {
        outcome = {DownloadResult::BadStatus, outcome.status,
                   "HTTP " + std::to_string(outcome.status)};
    } else if (!receivedWhole()) {
        outcome = {DownloadResult::Incomplete, outcome.status, failureText()};
    } else if (!written || !file.keepAs(localPath)) {
        outcome = {DownloadResult::WriteFailed, outcome.status, localPath.string()};
    }
    CloseHandles();
    return outcome;
}

} // namespace sorvel::updater

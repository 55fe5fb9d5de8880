#include "TestHttpServer.h"

#include <algorithm>
#include <arpa/inet.h>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <stdexcept>
#include <sys/socket.h>
#include <unistd.h>

namespace nettest {
namespace {

using Clock = std::chrono::steady_clock;

// Every loop here ends by itself: a server never outlives these bounds.
constexpr auto kServerLifetime = std::chrono::seconds(60);
constexpr auto kConnectionLifetime = std::chrono::seconds(30);
constexpr auto kRequestTime = std::chrono::seconds(3);
constexpr int kPollMs = 50;
constexpr size_t kMaxConnections = 32;
constexpr size_t kChunk = 4096;

int listenOnLoopback(uint16_t& port) {
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        throw std::runtime_error("socket");
    }
    const int yes = 1;
    ::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = 0;
    socklen_t length = sizeof address;
    if (::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        ::listen(fd, 8) != 0 ||
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
        ::close(fd);
        throw std::runtime_error("bind/listen on 127.0.0.1");
    }
    port = ntohs(address.sin_port);
    return fd;
}

std::string reason(int status) {
    switch (status) {
    case 200:
        return "OK";
    case 401:
        return "Unauthorized";
    case 403:
        return "Forbidden";
    case 404:
        return "Not Found";
    case 500:
        return "Internal Server Error";
    case 503:
        return "Service Unavailable";
    default:
        return "Status";
    }
}

// The metadata block for `title`: a length byte in 16-byte units, then the padded text.
std::vector<uint8_t> metadataBlock(const std::string& title) {
    if (title.empty()) {
        return {0};
    }
    std::string text = "StreamTitle='" + title + "';StreamUrl='';";
    text.resize((text.size() + 15) / 16 * 16, '\0');
    std::vector<uint8_t> block = {static_cast<uint8_t>(text.size() / 16)};
    block.insert(block.end(), text.begin(), text.end());
    return block;
}

std::string titleAt(const Reply& reply, size_t offset) {
    std::string title;
    for (const auto& [from, text] : reply.titles) {
        if (from <= offset) {
            title = text;
        }
    }
    return title;
}

bool asksForMetadata(const std::string& request) {
    std::string lower = request;
    for (char& c : lower) {
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    return lower.find("icy-metadata: 1") != std::string::npos;
}

} // namespace

TestHttpServer::TestHttpServer(Reply reply) : reply_(std::move(reply)) {
    listener_ = listenOnLoopback(port_);
    acceptor_ = std::thread([this] { acceptLoop(); });
}

TestHttpServer::TestHttpServer(std::map<std::string, FileReply> files) : files_(std::move(files)) {
    listener_ = listenOnLoopback(port_);
    acceptor_ = std::thread([this] { acceptLoop(); });
}

TestHttpServer::~TestHttpServer() {
    stopping_ = true;
    if (acceptor_.joinable()) {
        acceptor_.join();
    }
    for (std::thread& connection : connections_) {
        connection.join();
    }
    ::close(listener_);
}

std::string TestHttpServer::url(const std::string& path) const {
    return "http://127.0.0.1:" + std::to_string(port_) + path;
}

std::vector<std::string> TestHttpServer::requests() const {
    std::lock_guard lock(mutex_);
    return requests_;
}

uint16_t TestHttpServer::unusedPort() {
    uint16_t port = 0;
    const int fd = listenOnLoopback(port);
    ::close(fd); // the port is free again and nobody listens there
    return port;
}

std::vector<uint8_t> TestHttpServer::icyBody(const Reply& reply) {
    std::vector<uint8_t> body;
    for (size_t at = 0; at < reply.audio.size();) {
        const size_t run = reply.metaint > 0 ? std::min(reply.metaint, reply.audio.size() - at)
                                             : reply.audio.size() - at;
        body.insert(body.end(), reply.audio.begin() + static_cast<long>(at),
                    reply.audio.begin() + static_cast<long>(at + run));
        at += run;
        if (reply.metaint > 0 && run == reply.metaint) {
            const auto block = metadataBlock(titleAt(reply, at));
            body.insert(body.end(), block.begin(), block.end());
        }
    }
    return body;
}

void TestHttpServer::acceptLoop() {
    const auto end = Clock::now() + kServerLifetime;
    while (!stopping_ && Clock::now() < end && connections_.size() < kMaxConnections) {
        pollfd waiting{listener_, POLLIN, 0};
        if (::poll(&waiting, 1, kPollMs) <= 0) {
            continue;
        }
        const int socket = ::accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
        if (socket >= 0) {
            connections_.emplace_back([this, socket] {
                serve(socket);
                ::close(socket);
            });
        }
    }
}

bool TestHttpServer::sendAll(int socket, const uint8_t* data, size_t size) {
    const auto end = Clock::now() + kConnectionLifetime;
    while (size > 0 && !stopping_ && Clock::now() < end) {
        const ssize_t sent = ::send(socket, data, size, MSG_NOSIGNAL);
        if (sent > 0) {
            data += sent;
            size -= static_cast<size_t>(sent);
            continue;
        }
        if (sent < 0 && errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR) {
            return false; // the client went away
        }
        pollfd writable{socket, POLLOUT, 0};
        ::poll(&writable, 1, kPollMs);
    }
    return size == 0;
}

void TestHttpServer::waitForClose(int socket) {
    const auto end = Clock::now() + kConnectionLifetime;
    while (!stopping_ && Clock::now() < end) {
        pollfd readable{socket, POLLIN, 0};
        if (::poll(&readable, 1, kPollMs) > 0) {
            char scratch[256];
            const ssize_t got = ::recv(socket, scratch, sizeof scratch, 0);
            if (got == 0 || (got < 0 && errno != EAGAIN && errno != EINTR)) {
                return;
            }
        }
    }
}

void TestHttpServer::serve(int socket) {
    std::string request;
    const auto requestEnd = Clock::now() + kRequestTime;
    while (request.find("\r\n\r\n") == std::string::npos && !stopping_ &&
           Clock::now() < requestEnd && request.size() < 16384) {
        pollfd readable{socket, POLLIN, 0};
        if (::poll(&readable, 1, kPollMs) <= 0) {
            continue;
        }
        char buffer[1024];
        const ssize_t got = ::recv(socket, buffer, sizeof buffer, 0);
        if (got <= 0) {
            if (got < 0 && (errno == EAGAIN || errno == EINTR)) {
                continue;
            }
            return;
        }
        request.append(buffer, static_cast<size_t>(got));
    }
    {
        std::lock_guard lock(mutex_);
        requests_.push_back(request);
    }
    if (files_) {
        serveFile(socket, request);
        return;
    }

    switch (reply_.kind) {
    case Reply::Kind::Silent:
        waitForClose(socket);
        return;
    case Reply::Kind::Status: {
        const std::string head = "HTTP/1.0 " + std::to_string(reply_.status) + " " +
                                 reason(reply_.status) +
                                 "\r\nContent-Type: text/plain\r\n\r\nrefused\n";
        sendAll(socket, reinterpret_cast<const uint8_t*>(head.data()), head.size());
        return;
    }
    case Reply::Kind::Stream:
        break;
    }

    const size_t metaint = asksForMetadata(request) ? reply_.metaint : 0;
    std::string head = reply_.icyStatusLine ? "ICY 200 OK\r\n" : "HTTP/1.0 200 OK\r\n";
    head += "Content-Type: audio/mpeg\r\nicy-name: Sorvel test radio\r\n";
    if (metaint > 0) {
        head += "icy-metaint: " + std::to_string(metaint) + "\r\n";
    }
    head += "\r\n";
    if (!sendAll(socket, reinterpret_cast<const uint8_t*>(head.data()), head.size())) {
        return;
    }
    const std::vector<uint8_t>& audio = reply_.audio;
    size_t at = 0;
    size_t sinceBlock = 0;
    while (at < audio.size()) {
        if (at >= reply_.dropAfter) {
            return; // closes the connection mid-stream
        }
        if (at >= reply_.stallAfter) {
            waitForClose(socket);
            return;
        }
        size_t run =
            std::min({kChunk, audio.size() - at, reply_.dropAfter - at, reply_.stallAfter - at});
        if (metaint > 0) {
            run = std::min(run, metaint - sinceBlock);
        }
        if (!sendAll(socket, audio.data() + at, run)) {
            return;
        }
        at += run;
        audioSent_ += run;
        sinceBlock += run;
        if (metaint > 0 && sinceBlock == metaint) {
            const auto block = metadataBlock(titleAt(reply_, at));
            if (!sendAll(socket, block.data(), block.size())) {
                return;
            }
            sinceBlock = 0;
        }
    }
}

void TestHttpServer::serveFile(int socket, const std::string& request) {
    // "GET /path HTTP/1.1"
    const size_t from = request.find(' ') + 1;
    const std::string path = request.substr(from, request.find(' ', from) - from);
    const auto found = files_->find(path);
    const FileReply file = found != files_->end() ? found->second : FileReply{404, "missing\n"};
    std::string head = "HTTP/1.1 " + std::to_string(file.status) + " " + reason(file.status) +
                       "\r\nConnection: close\r\n";
    if (file.announceLength) {
        head += "Content-Length: " + std::to_string(file.body.size()) + "\r\n";
    }
    head += "\r\n";
    if (!sendAll(socket, reinterpret_cast<const uint8_t*>(head.data()), head.size())) {
        return;
    }
    const size_t sent = std::min(file.body.size(), file.dropAfter);
    if (sendAll(socket, reinterpret_cast<const uint8_t*>(file.body.data()), sent)) {
        audioSent_ += sent;
    }
}

} // namespace nettest

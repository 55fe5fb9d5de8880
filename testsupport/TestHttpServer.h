// A small HTTP server for the network stream and update tests: listens on 127.0.0.1 only,
// answers a bounded number of connections with one scripted reply each (or the file the request
// names), and stops by itself.
#pragma once

#include <atomic>
#include <cstdint>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace nettest {

struct Reply {
    enum class Kind { Stream, Status, Silent };
    Kind kind = Kind::Stream;
    int status = 200;                                   // Status: the HTTP status sent
    std::vector<uint8_t> audio;                         // Stream: the body's audio bytes
    size_t metaint = 0;                                 // Stream: ICY interval, 0 = none
    std::vector<std::pair<size_t, std::string>> titles; // Stream: StreamTitle from audio byte on
    bool icyStatusLine = false;                         // "ICY 200 OK" instead of HTTP/1.0
    size_t dropAfter = SIZE_MAX;  // Stream: close the connection after this many audio bytes
    size_t stallAfter = SIZE_MAX; // Stream: then stop sending, keeping the connection open
};

// A file served by path.
struct FileReply {
    int status = 200;
    std::string body;
    bool announceLength = true;  // send Content-Length (the whole body's, even when dropped)
    size_t dropAfter = SIZE_MAX; // close the connection after this many body bytes
};

class TestHttpServer {
public:
    explicit TestHttpServer(Reply reply);
    // Serves `files` by request path ("/sorvel"); other paths get 404.
    explicit TestHttpServer(std::map<std::string, FileReply> files);
    ~TestHttpServer();
    TestHttpServer(const TestHttpServer&) = delete;
    TestHttpServer& operator=(const TestHttpServer&) = delete;

    std::string url(const std::string& path = "/stream.mp3") const;
    // The request heads received so far.
    std::vector<std::string> requests() const;
    // Audio bytes sent so far over all connections.
    size_t audioBytesSent() const { return audioSent_.load(); }

    // A port on 127.0.0.1 where nothing listens (connections are refused).
    static uint16_t unusedPort();
    // The body of a stream reply: audio with a metadata block after every metaint bytes.
    static std::vector<uint8_t> icyBody(const Reply& reply);

private:
    void acceptLoop();
    void serve(int socket);
    bool sendAll(int socket, const uint8_t* data, size_t size);
    void waitForClose(int socket);
    void serveFile(int socket, const std::string& request);

    Reply reply_;
    std::optional<std::map<std::string, FileReply>> files_;
    int listener_ = -1;
    uint16_t port_ = 0;
    std::atomic<bool> stopping_{false};
    std::atomic<size_t> audioSent_{0};
    mutable std::mutex mutex_;
    std::vector<std::string> requests_;
    std::vector<std::thread> connections_;
    std::thread acceptor_;
};

} // namespace nettest

#pragma once
// A small HTTP/1.1 server for tests, in the test's own process: it listens on 127.0.0.1 on
// an ephemeral port, answers GET requests from a table of paths (404 for the rest), one
// connection at a time, and closes each connection after its reply. A reply can be sent in
// small pieces with pauses between them (TCP_NODELAY, so each piece travels alone) and can
// stop early while its Content-Length still announces the whole body, as a broken download
// does. It counts the requests and records their headers.

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <chrono>
#include <map>
#include <mutex>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

namespace krm::test {

class HttpTestServer {
public:
    struct Reply {
        Reply(int status = 200, std::string body = {}, std::vector<std::string> headers = {},
              std::size_t chunk = 0, std::chrono::milliseconds pause = {},
              std::size_t closeAfter = std::string::npos)
            : status(status), body(std::move(body)), headers(std::move(headers)), chunk(chunk),
              pause(pause), closeAfter(closeAfter) {}

        int status;
        std::string body;
        std::vector<std::string> headers; // extra header lines, "Location: http://…"
        std::size_t chunk;                // 0: the body in one piece
        std::chrono::milliseconds pause;  // between pieces
        std::size_t closeAfter;           // body bytes sent before hanging up
    };
    struct Request {
        std::string method;
        std::string path;
        std::map<std::string, std::string> headers; // names in lower case
    };

    HttpTestServer() {
        m_listen = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in addr{};
        addr.sin_family = AF_INET;
        addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        addr.sin_port = 0;
        socklen_t len = sizeof addr;
        if (m_listen < 0 || ::pipe(m_wake) != 0 ||
            ::bind(m_listen, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 ||
            ::listen(m_listen, 8) != 0 ||
            ::getsockname(m_listen, reinterpret_cast<sockaddr*>(&addr), &len) != 0)
            throw std::runtime_error("test HTTP server: cannot listen on 127.0.0.1");
        m_port = ntohs(addr.sin_port);
        m_thread = std::thread([this] { loop(); });
    }

    ~HttpTestServer() {
        const char byte = 'x';
        (void)!::write(m_wake[1], &byte, 1);
        m_thread.join();
        ::close(m_listen);
        ::close(m_wake[0]);
        ::close(m_wake[1]);
    }

    HttpTestServer(const HttpTestServer&) = delete;
    HttpTestServer& operator=(const HttpTestServer&) = delete;

    void serve(const std::string& path, Reply reply) {
        std::lock_guard lock(m_mutex);
        m_replies[path] = std::move(reply);
    }

    std::string url(const std::string& path) const {
        return "http://127.0.0.1:" + std::to_string(m_port) + path;
    }

    std::size_t requestCount() const {
        std::lock_guard lock(m_mutex);
        return m_requests.size();
    }

    std::vector<Request> requests() const {
        std::lock_guard lock(m_mutex);
        return m_requests;
    }

private:
    // Waits for fd to be ready, or the wake-up; false on the wake-up or the time limit.
    bool wait(int fd, short events, int timeoutMs) {
        pollfd fds[2] = {{fd, events, 0}, {m_wake[0], POLLIN, 0}};
        if (::poll(fds, 2, timeoutMs) <= 0 || (fds[1].revents & POLLIN))
            return false;
        return true;
    }

    void loop() {
        for (;;) {
            if (!wait(m_listen, POLLIN, -1))
                return;
            const int client = ::accept4(m_listen, nullptr, nullptr, SOCK_CLOEXEC);
            if (client < 0)
                continue;
            const int on = 1;
            ::setsockopt(client, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
            handle(client);
            ::close(client);
        }
    }

    void handle(int client) {
        std::string head;
        while (head.find("\r\n\r\n") == std::string::npos) {
            if (!wait(client, POLLIN, 5000))
                return;
            char buffer[4096];
            const ssize_t n = ::recv(client, buffer, sizeof buffer, 0);
            if (n <= 0)
                return;
            head.append(buffer, static_cast<std::size_t>(n));
        }
        Request request = parse(head);
        Reply reply;
        {
            std::lock_guard lock(m_mutex);
            m_requests.push_back(request);
            const auto it = m_replies.find(request.path);
            reply = it != m_replies.end() ? it->second : Reply(404, "not found");
        }
        std::string text = "HTTP/1.1 " + std::to_string(reply.status) + " X\r\n";
        text += "Content-Length: " + std::to_string(reply.body.size()) + "\r\n";
        text += "Connection: close\r\n";
        for (const std::string& h : reply.headers)
            text += h + "\r\n";
        text += "\r\n";
        if (!sendAll(client, text))
            return;
        const std::size_t total = std::min(reply.body.size(), reply.closeAfter);
        const std::size_t piece = reply.chunk ? reply.chunk : std::max<std::size_t>(total, 1);
        for (std::size_t at = 0; at < total; at += piece) {
            if (at > 0 && reply.pause.count() > 0 &&
                wait(m_wake[0], POLLIN, static_cast<int>(reply.pause.count())))
                return; // woken: the server is closing
            if (!sendAll(client, reply.body.substr(at, std::min(piece, total - at))))
                return;
        }
    }

    static bool sendAll(int fd, const std::string& data) {
        std::size_t at = 0;
        while (at < data.size()) {
            const ssize_t n = ::send(fd, data.data() + at, data.size() - at, MSG_NOSIGNAL);
            if (n <= 0)
                return false;
            at += static_cast<std::size_t>(n);
        }
        return true;
    }

    static Request parse(const std::string& head) {
        Request request;
        std::size_t lineEnd = head.find("\r\n");
        const std::string first = head.substr(0, lineEnd);
        const auto sp1 = first.find(' ');
        const auto sp2 = first.find(' ', sp1 + 1);
        request.method = first.substr(0, sp1);
        request.path = first.substr(sp1 + 1, sp2 - sp1 - 1);
        for (std::size_t at = lineEnd + 2; at < head.size();) {
            const std::size_t end = head.find("\r\n", at);
            const std::string line = head.substr(at, end - at);
            at = end + 2;
            const auto colon = line.find(':');
            if (line.empty() || colon == std::string::npos)
                break;
            std::string name = line.substr(0, colon);
            std::transform(name.begin(), name.end(), name.begin(),
                           [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
            const auto value = line.find_first_not_of(' ', colon + 1);
            request.headers[name] = value == std::string::npos ? "" : line.substr(value);
        }
        return request;
    }

    int m_listen = -1;
    int m_wake[2] = {-1, -1};
    std::uint16_t m_port = 0;
    mutable std::mutex m_mutex;
    std::map<std::string, Reply> m_replies;
    std::vector<Request> m_requests;
    std::thread m_thread;
};

} // namespace krm::test

#include "update/http_client.h"

#include "link/loopback_guard.h"
#include "link/udp_socket.h"

#include <curl/curl.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <memory>
#include <strings.h>

namespace krm {

namespace {

constexpr int kMaxRedirects = 5;
// The longest a raised stop flag waits for the transfer loop to notice it.
constexpr int kStopPollMs = 50;

void GlobalInitOnce() {
    // curl_global_init is not thread-safe by itself; a function-local static is.
    static const CURLcode init = curl_global_init(CURL_GLOBAL_DEFAULT);
    (void)init;
}

struct EasyDeleter {
    void operator()(CURL* h) const { curl_easy_cleanup(h); }
};
struct MultiDeleter {
    void operator()(CURLM* h) const { curl_multi_cleanup(h); }
};
struct SlistDeleter {
    void operator()(curl_slist* l) const { curl_slist_free_all(l); }
};
struct UrlDeleter {
    void operator()(CURLU* u) const { curl_url_cleanup(u); }
};

struct UrlParts {
    std::string scheme;
    std::string host;
};

std::optional<UrlParts> SplitUrl(const std::string& url) {
    std::unique_ptr<CURLU, UrlDeleter> u(curl_url());
    if (!u || curl_url_set(u.get(), CURLUPART_URL, url.c_str(), 0) != CURLUE_OK)
        return std::nullopt;
    UrlParts parts;
    for (auto [part, out] :
         {std::pair{CURLUPART_SCHEME, &parts.scheme}, std::pair{CURLUPART_HOST, &parts.host}}) {
        char* text = nullptr;
        if (curl_url_get(u.get(), part, &text, 0) != CURLUE_OK)
            return std::nullopt;
        *out = text;
        curl_free(text);
    }
    return parts;
}

bool IsHttp(const UrlParts& parts) {
    return strcasecmp(parts.scheme.c_str(), "http") == 0 ||
           strcasecmp(parts.scheme.c_str(), "https") == 0;
}

// Under the guard only a loopback address written as such, or "localhost" (which libcurl
// resolves by itself, never through DNS), may be asked for: any other name would be looked
// up by a name server outside the machine before a connection could be refused.
bool HostAllowedUnderGuard(const UrlParts& parts) {
    if (strcasecmp(parts.host.c_str(), "localhost") == 0)
        return true;
    const auto ip = Endpoint::parse(parts.host, 0);
    return ip && ip->isLoopback();
}

struct Context {
    bool guard = false;
    bool refused = false;
    const std::atomic<bool>* stop = nullptr;
    CURL* easy = nullptr;
    std::function<bool(const char*, std::size_t)> write;
    bool writeFailed = false;
};

// The last word on where a connection goes: the resolved address of the first request, of
// a redirect and of a proxy alike.
curl_socket_t OpenSocket(void* clientp, curlsocktype, curl_sockaddr* address) {
    auto* ctx = static_cast<Context*>(clientp);
    if (ctx->guard) {
        bool loopback = false;
        if (address->family == AF_INET) {
            const auto* in = reinterpret_cast<const sockaddr_in*>(&address->addr);
            loopback = Endpoint{ntohl(in->sin_addr.s_addr), 0}.isLoopback();
        }
        if (!loopback) {
            ctx->refused = true;
            return CURL_SOCKET_BAD;
        }
    }
    return ::socket(address->family, address->socktype, address->protocol);
}

std::size_t Write(char* data, std::size_t, std::size_t size, void* userp) {
    auto* ctx = static_cast<Context*>(userp);
    long status = 0;
    curl_easy_getinfo(ctx->easy, CURLINFO_RESPONSE_CODE, &status);
    // The body of a redirect is not the page or the file.
    if (status >= 300 && status < 400)
        return size;
    if (!ctx->write(data, size)) {
        ctx->writeFailed = true;
        return CURL_WRITEFUNC_ERROR;
    }
    return size;
}

int Progress(void* clientp, curl_off_t, curl_off_t, curl_off_t, curl_off_t) {
    const auto* ctx = static_cast<const Context*>(clientp);
    return ctx->stop && ctx->stop->load() ? 1 : 0;
}

} // namespace

// Where the body goes: a page in memory or a temporary file.
class HttpClient::Sink {
public:
    explicit Sink(std::function<bool(const char*, std::size_t)> write) : write(std::move(write)) {}
    std::function<bool(const char*, std::size_t)> write;
    HttpError writeError = HttpError::File;
};

HttpClient::HttpClient(Clock& clock, const std::atomic<bool>* stop, HttpLimits limits)
    : m_clock(clock), m_stop(stop), m_limits(limits) {
    GlobalInitOnce();
}

bool HttpClient::transfer(const std::string& firstUrl, Sink& sink) {
    const bool guard = LoopbackOnly();
    std::string url = firstUrl;
    for (int hop = 0; hop <= kMaxRedirects; ++hop) {
        const auto parts = SplitUrl(url);
        if (!parts || !IsHttp(*parts)) {
            m_lastError = HttpError::BadAddress;
            return false;
        }
        if (guard && !HostAllowedUnderGuard(*parts)) {
            m_lastError = HttpError::Refused;
            return false;
        }

        std::unique_ptr<CURL, EasyDeleter> easy(curl_easy_init());
        std::unique_ptr<CURLM, MultiDeleter> multi(curl_multi_init());
        if (!easy || !multi) {
            m_lastError = HttpError::Connect;
            return false;
        }
        Context ctx;
        ctx.guard = guard;
        ctx.stop = m_stop;
        ctx.easy = easy.get();
        ctx.write = sink.write;

        // The old client's request: agent "Agent%ld" of the millisecond tick; "Accept: */*";
        // its reload, no-cache-write and no-cache-pragma flags become the two no-cache
        // headers (libcurl keeps no cache of its own). Its "preconfigured" proxy settings
        // are the system's: libcurl reads the proxy environment variables unless told
        // otherwise.
        const std::string agent =
            "Agent" + std::to_string(static_cast<long>(m_clock.now().count()));
        std::unique_ptr<curl_slist, SlistDeleter> headers;
        for (const char* h : {"Accept: */*", "Cache-Control: no-cache", "Pragma: no-cache"})
            headers.reset(curl_slist_append(headers.release(), h));
        CURL* h = easy.get();
        curl_easy_setopt(h, CURLOPT_URL, url.c_str());
        curl_easy_setopt(h, CURLOPT_USERAGENT, agent.c_str());
        curl_easy_setopt(h, CURLOPT_HTTPHEADER, headers.get());
        curl_easy_setopt(h, CURLOPT_PROTOCOLS_STR, "http,https");
        curl_easy_setopt(h, CURLOPT_FOLLOWLOCATION, 0L); // followed here, each hop checked
        curl_easy_setopt(h, CURLOPT_FAILONERROR, 1L);
        curl_easy_setopt(h, CURLOPT_NOSIGNAL, 1L);
        curl_easy_setopt(h, CURLOPT_CONNECTTIMEOUT_MS,
                         static_cast<long>(m_limits.connectTimeout.count()));
        curl_easy_setopt(h, CURLOPT_LOW_SPEED_LIMIT, 1L);
        curl_easy_setopt(
            h, CURLOPT_LOW_SPEED_TIME,
            std::max(1L, static_cast<long>((m_limits.stallTime.count() + 999) / 1000)));
        if (guard)
            curl_easy_setopt(h, CURLOPT_NOPROXY, "*"); // a proxy would be a hop off the machine
        curl_easy_setopt(h, CURLOPT_OPENSOCKETFUNCTION, &OpenSocket);
        curl_easy_setopt(h, CURLOPT_OPENSOCKETDATA, &ctx);
        curl_easy_setopt(h, CURLOPT_WRITEFUNCTION, &Write);
        curl_easy_setopt(h, CURLOPT_WRITEDATA, &ctx);
        curl_easy_setopt(h, CURLOPT_NOPROGRESS, 0L);
        curl_easy_setopt(h, CURLOPT_XFERINFOFUNCTION, &Progress);
        curl_easy_setopt(h, CURLOPT_XFERINFODATA, &ctx);

        // The multi interface lets the loop look at the stop flag every few milliseconds;
        // the progress callback alone may be called only once a second while idle.
        curl_multi_add_handle(multi.get(), h);
        bool stopped = false;
        int running = 1;
        while (running) {
            if (m_stop && m_stop->load()) {
                stopped = true;
                break;
            }
            if (curl_multi_perform(multi.get(), &running) != CURLM_OK)
                break;
            if (running)
                curl_multi_poll(multi.get(), nullptr, 0, kStopPollMs, nullptr);
        }
        CURLcode result = CURLE_FAILED_INIT;
        int queued = 0;
        while (CURLMsg* msg = curl_multi_info_read(multi.get(), &queued))
            if (msg->msg == CURLMSG_DONE)
                result = msg->data.result;
        curl_multi_remove_handle(multi.get(), h);

        if (stopped || result == CURLE_ABORTED_BY_CALLBACK) {
            m_lastError = HttpError::Stopped;
            return false;
        }
        // A refused address among several (a name's IPv6 and IPv4 addresses) is no failure
        // when another one connected.
        if (result != CURLE_OK && ctx.refused) {
            m_lastError = HttpError::Refused;
            return false;
        }
        if (ctx.writeFailed) {
            m_lastError = sink.writeError;
            return false;
        }
        if (result == CURLE_HTTP_RETURNED_ERROR) {
            m_lastError = HttpError::Status;
            return false;
        }
        if (result != CURLE_OK) {
            m_lastError = HttpError::Connect;
            return false;
        }
        long status = 0;
        curl_easy_getinfo(h, CURLINFO_RESPONSE_CODE, &status);
        if (status < 300 || status >= 400) {
            m_lastError = HttpError::None;
            return true;
        }
        char* next = nullptr;
        curl_easy_getinfo(h, CURLINFO_REDIRECT_URL, &next);
        if (!next)
            break;
        url = next;
    }
    m_lastError = HttpError::BadAddress;
    return false;
}

std::optional<std::string> HttpClient::fetch(const std::string& url) {
    std::string page;
    Sink sink([&](const char* data, std::size_t size) {
        if (page.size() + size > m_limits.maxPageBytes)
            return false;
        page.append(data, size);
        return true;
    });
    sink.writeError = HttpError::TooLarge;
    if (!transfer(url, sink))
        return std::nullopt;
    return page;
}

bool HttpClient::download(const std::string& url, const std::string& path) {
    std::string temporary = path + ".XXXXXX";
    const int fd = ::mkstemp(temporary.data());
    if (fd < 0) {
        m_lastError = HttpError::File;
        return false;
    }
    Sink sink([fd](const char* data, std::size_t size) {
        while (size > 0) {
            const ssize_t n = ::write(fd, data, size);
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0)
                return false;
            data += n;
            size -= static_cast<std::size_t>(n);
        }
        return true;
    });
    bool ok = transfer(url, sink);
    auto fileFailed = [&] {
        ok = false;
        m_lastError = HttpError::File;
    };
    // mkstemp makes the file private to the user; a firmware file is an ordinary file.
    if (ok && ::fchmod(fd, 0644) != 0)
        fileFailed();
    if (::close(fd) != 0 && ok)
        fileFailed();
    if (ok && std::rename(temporary.c_str(), path.c_str()) != 0)
        fileFailed();
    if (!ok)
        ::unlink(temporary.c_str());
    return ok;
}

} // namespace krm

#include "sefazsim/server.h"

#include "sefazsim/socket.h"

#include <algorithm>
#include <chrono>
#include <fstream>
#include <mutex>
#include <openssl/err.h>
#include <openssl/ssl.h>
#include <sstream>
#include <thread>
#include <vector>

namespace qv::sefazsim {
namespace {

constexpr std::size_t kLargestRequest = 8 * 1024 * 1024;
constexpr int kIoSeconds = 10; // a client silent this long is dropped
constexpr int kSliceMilliseconds = 100;

std::string openssl_error() {
    const unsigned long code = ERR_get_error();
    if (code == 0) return "erro de TLS";
    char text[256];
    ERR_error_string_n(code, text, sizeof text);
    ERR_clear_error();
    return text;
}

std::string lower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

// The Content-Length of a request's head; npos when missing or bad.
std::size_t content_length(const std::string& head) {
    const std::string text = lower(head);
    const auto at = text.find("\r\ncontent-length:");
    if (at == std::string::npos) return std::string::npos;
    std::size_t pos = at + 17;
    while (pos < text.size() && text[pos] == ' ')
        ++pos;
    std::size_t length = 0;
    bool digits = false;
    for (; pos < text.size() && text[pos] >= '0' && text[pos] <= '9'; ++pos) {
        length = length * 10 + static_cast<std::size_t>(text[pos] - '0');
        if (length > kLargestRequest) return std::string::npos;
        digits = true;
    }
    return digits ? length : std::string::npos;
}

struct Connection {
    std::thread thread;
    std::shared_ptr<std::atomic<bool>> done;
};

} // namespace

struct Server::State {
    Options options;
    Authority authority;
    SSL_CTX* context = nullptr;
    detail::Listener listener;
    std::atomic<bool> stopping{false};
    std::mutex connections_mutex;
    std::vector<Connection> connections;
    std::mutex log_mutex;

    explicit State(Options o) : options(std::move(o)), authority(options.folder) {}

    void log(const std::string& line) {
        const std::lock_guard lock(log_mutex);
        std::ofstream out(options.folder / "sefaz-simulada.log", std::ios::app | std::ios::binary);
        out << brasilia_now() << ' ' << line << '\n';
    }

    // The control file's rules over the starting ones; those alone when it
    // is missing or wrong (which is logged).
    Rules rules() {
        if (options.control_file.empty()) return options.rules;
        std::ifstream in(options.control_file, std::ios::binary);
        if (!in) return options.rules;
        std::stringstream text;
        text << in.rdbuf();
        std::string error;
        if (auto rules = parse_rules(text.str(), options.rules, &error)) return *rules;
        log("arquivo de controle ignorado: " + error);
        return options.rules;
    }

    // The request's body; nullopt when the client went away or sent no
    // well-formed request.
    std::optional<std::string> read_request(SSL* ssl) {
        std::string got;
        char buffer[16384];
        std::size_t head_end = std::string::npos;
        std::size_t length = 0;
        for (;;) {
            if (head_end == std::string::npos) {
                head_end = got.find("\r\n\r\n");
                if (head_end != std::string::npos) {
                    length = content_length(got.substr(0, head_end + 2));
                    if (length == std::string::npos) return std::nullopt;
                    head_end += 4;
                }
            }
            if (head_end != std::string::npos && got.size() >= head_end + length)
                return got.substr(head_end, length);
            if (got.size() > kLargestRequest) return std::nullopt;
            const int n = SSL_read(ssl, buffer, sizeof buffer);
            if (n <= 0) return std::nullopt;
            got.append(buffer, static_cast<std::size_t>(n));
        }
    }

    void hold(SSL* ssl, int socket, int seconds) {
        const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
        while (!stopping && std::chrono::steady_clock::now() < until) {
            if (!detail::readable_within(socket, kSliceMilliseconds)) continue;
            char byte = 0;
            if (SSL_read(ssl, &byte, 1) <= 0) return; // the client gave up
        }
    }

    void serve_connection(int socket) {
        SSL* ssl = SSL_new(context);
        SSL_set_fd(ssl, socket);
        if (SSL_accept(ssl) <= 0) {
            log("conexão recusada: " + openssl_error());
        } else if (const auto body = read_request(ssl)) {
            const Rules now = rules();
            const Reply reply = authority.handle(*body, now);
            log(reply.log_line);
            if (reply.action == Reply::Action::answer) {
                const std::string status = reply.http_status == 200
                                               ? "200 OK"
                                               : std::to_string(reply.http_status) + " Erro";
                const std::string answer =
                    "HTTP/1.1 " + status +
                    "\r\nContent-Type: application/soap+xml; charset=utf-8\r\nContent-Length: " +
                    std::to_string(reply.envelope.size()) + "\r\nConnection: close\r\n\r\n" +
                    reply.envelope;
                if (SSL_write(ssl, answer.data(), static_cast<int>(answer.size())) > 0)
                    SSL_shutdown(ssl);
            } else if (reply.action == Reply::Action::hold) {
                hold(ssl, socket, now.hold_seconds);
            }
            // drop: the connection closes with no answer and no TLS goodbye
        } else {
            log("pedido HTTP incompleto ou ilegível");
        }
        SSL_free(ssl);
        detail::close_socket(socket);
    }
};

Server::Server(Options options) : state_(std::make_unique<State>(std::move(options))) {}

Server::~Server() {
    stop();
    const std::lock_guard lock(state_->connections_mutex);
    for (Connection& c : state_->connections)
        c.thread.join();
    state_->connections.clear();
    detail::close_socket(state_->listener.socket);
    if (state_->context != nullptr) SSL_CTX_free(state_->context);
}

bool Server::start(std::string* error) {
    detail::ignore_broken_pipes();
    SSL_CTX* context = SSL_CTX_new(TLS_server_method());
    state_->context = context;
    const Options& o = state_->options;
    const auto fail = [&](const std::string& what) {
        *error = what + ": " + openssl_error();
        return false;
    };
    if (context == nullptr) return fail("SSL_CTX_new");
    SSL_CTX_set_min_proto_version(context, TLS1_2_VERSION);
    if (SSL_CTX_use_certificate_chain_file(context, o.cert_file.c_str()) != 1)
        return fail("certificado " + o.cert_file);
    if (SSL_CTX_use_PrivateKey_file(context, o.key_file.c_str(), SSL_FILETYPE_PEM) != 1 ||
        SSL_CTX_check_private_key(context) != 1)
        return fail("chave " + o.key_file);
    if (SSL_CTX_load_verify_locations(context, o.ca_file.c_str(), nullptr) != 1)
        return fail("autoridade " + o.ca_file);
    SSL_CTX_set_client_CA_list(context, SSL_load_client_CA_file(o.ca_file.c_str()));
    // The state's servers take only clients with a certificate of theirs.
    SSL_CTX_set_verify(context, SSL_VERIFY_PEER | SSL_VERIFY_FAIL_IF_NO_PEER_CERT, nullptr);
    const auto listener = detail::listen_on_loopback(o.port, error);
    if (!listener) return false;
    state_->listener = *listener;
    return true;
}

int Server::port() const {
    return state_->listener.port;
}

void Server::serve() {
    State& s = *state_;
    while (!s.stopping) {
        const int socket = detail::accept_within(s.listener.socket, kSliceMilliseconds, kIoSeconds);
        const std::lock_guard lock(s.connections_mutex);
        // The finished connections' threads are joined as new ones come.
        std::erase_if(s.connections, [](Connection& c) {
            if (!*c.done) return false;
            c.thread.join();
            return true;
        });
        if (socket < 0) continue;
        auto done = std::make_shared<std::atomic<bool>>(false);
        s.connections.push_back({std::thread([&s, socket, done] {
                                     s.serve_connection(socket);
                                     *done = true;
                                 }),
                                 done});
    }
}

void Server::stop() {
    state_->stopping = true;
}

} // namespace qv::sefazsim

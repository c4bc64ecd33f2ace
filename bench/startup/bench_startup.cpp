// Cold start and peak memory of the program, observed from outside.
//
//   bench_startup [--runs N] [--settle MS] [--timeout MS] [--scratch DIR] [--json]
//                 [--launcher COMMAND] [PROGRAM]
//
// Starts PROGRAM (default: `quiterval` beside this executable) N times, each
// time as a new process in a new, empty working folder, on Qt's offscreen
// platform. The program gets no option and has no special mode for this.
// With --launcher, PROGRAM is started through COMMAND (`wine`, for the
// Windows window: the Wine server of the caller's prefix, already running,
// and the caller's X display serve every start).
//
// "Shown" is the moment the settings file Quiterval.TOR appears in the
// working folder. The program creates it on its first start in the open
// handler, which runs from the event loop right after the window's first
// show event: the window exists, is shown and its open work is done. The
// file is written beside its final name and renamed over it, so inotify's
// IN_MOVED_TO (or IN_CLOSE_WRITE for a direct write) on that name marks it
// without polling. The time is taken from just before fork/exec.
//
// After the window is shown the program is left running for --settle
// milliseconds (its first paint), then ended with SIGTERM; wait4's
// ru_maxrss is its peak resident memory over the whole run.
#include <sys/inotify.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <optional>
#include <poll.h>
#include <string>
#include <string_view>
#include <unistd.h>
#include <vector>

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

constexpr std::string_view kSettingsFile = "Quiterval.TOR";

struct Options {
    int runs = 15;
    int settle_ms = 300;
    int timeout_ms = 15000;
    bool json = false;
    std::string program;
    std::string scratch;
    std::string launcher;
};

struct Run {
    double shown_ms = 0;
    double cpu_ms = 0; // processor time the program used until then
    long peak_rss_kib = 0;
};

std::string self_folder() {
    std::error_code ec;
    const fs::path self = fs::read_symlink("/proc/self/exe", ec);
    return ec ? std::string(".") : self.parent_path().string();
}

// A folder for the scratch working folders: memory-backed when there is
// one, so that the first-start file flush does not count as start-up time.
std::string default_scratch() {
    if (::access("/dev/shm", W_OK) == 0) return "/dev/shm";
    const char* tmp = std::getenv("TMPDIR");
    return tmp != nullptr && *tmp != '\0' ? tmp : "/tmp";
}

[[noreturn]] void usage_error(const char* what) {
    (void)std::fprintf(stderr,
                       "bench_startup: %s\n"
                       "uso: bench_startup [--runs N] [--settle MS] [--timeout MS] [--scratch DIR] "
                       "[--json] [--launcher COMANDO] [PROGRAMA]\n",
                       what);
    std::exit(2);
}

int positive(const char* text, const char* option) {
    char* end = nullptr;
    errno = 0;
    const long v = std::strtol(text, &end, 10);
    if (errno != 0 || end == text || *end != '\0' || v < 0 || v > 1000000) usage_error(option);
    return static_cast<int>(v);
}

Options parse(int argc, char** argv) {
    Options o;
    for (int i = 1; i < argc; ++i) {
        const std::string_view a = argv[i];
        auto value = [&](const char* option) {
            if (i + 1 >= argc) usage_error(option);
            return argv[++i];
        };
        if (a == "--runs")
            o.runs = positive(value("--runs"), "--runs");
        else if (a == "--settle")
            o.settle_ms = positive(value("--settle"), "--settle");
        else if (a == "--timeout")
            o.timeout_ms = positive(value("--timeout"), "--timeout");
        else if (a == "--scratch")
            o.scratch = value("--scratch");
        else if (a == "--json")
            o.json = true;
        else if (a == "--launcher")
            o.launcher = value("--launcher");
        else if (!a.empty() && a[0] == '-')
            usage_error("opção desconhecida");
        else if (o.program.empty())
            o.program = a;
        else
            usage_error("programa a mais");
    }
    if (o.runs < 1) usage_error("--runs precisa de ao menos 1");
    if (o.program.empty()) o.program = self_folder() + "/quiterval";
    if (o.scratch.empty()) o.scratch = default_scratch();
    return o;
}

// Processor time used so far by every thread of `pid`, from the scheduler's
// nanosecond counters; negative when unknown.
double cpu_ms_of(pid_t pid) {
    const fs::path tasks = fs::path("/proc") / std::to_string(pid) / "task";
    std::error_code ec;
    double total_ns = 0;
    bool any = false;
    for (const auto& task : fs::directory_iterator(tasks, ec)) {
        std::FILE* f = std::fopen((task.path() / "schedstat").c_str(), "r");
        if (f == nullptr) continue;
        unsigned long long run_ns = 0;
        if (std::fscanf(f, "%llu", &run_ns) == 1) {
            total_ns += static_cast<double>(run_ns);
            any = true;
        }
        (void)std::fclose(f);
    }
    return any ? total_ns / 1e6 : -1;
}

double ms_since(Clock::time_point t0) {
    return std::chrono::duration<double, std::milli>(Clock::now() - t0).count();
}

// Waits for Quiterval.TOR to be completed in the watched folder. False when
// the child ended first or the time ran out.
bool wait_for_settings_file(int inotify_fd, pid_t child, Clock::time_point t0, int timeout_ms) {
    alignas(inotify_event) char buf[4096];
    for (;;) {
        const double left = timeout_ms - ms_since(t0);
        if (left <= 0) return false;
        pollfd p{inotify_fd, POLLIN, 0};
        // Wake up now and then to notice a child that died without the file.
        const int r = ::poll(&p, 1, static_cast<int>(std::min(left, 50.0)) + 1);
        if (r < 0 && errno != EINTR) return false;
        if (r > 0) {
            const ssize_t n = ::read(inotify_fd, buf, sizeof buf);
            for (ssize_t off = 0; n > 0 && off < n;) {
                const auto* ev = reinterpret_cast<const inotify_event*>(buf + off);
                if (ev->len > 0 && kSettingsFile == ev->name) return true;
                off += static_cast<ssize_t>(sizeof(inotify_event) + ev->len);
            }
        }
        int status = 0;
        if (::waitpid(child, &status, WNOHANG) == child) return false;
    }
}

std::optional<Run> one_start(const Options& o, int index, std::string& error) {
    std::string scratch_template = o.scratch + "/quiterval-start-XXXXXX";
    if (::mkdtemp(scratch_template.data()) == nullptr) {
        error = "mkdtemp " + o.scratch + ": " + std::strerror(errno);
        return std::nullopt;
    }
    const fs::path scratch = scratch_template;
    const fs::path work = scratch / "trabalho";
    const fs::path runtime = scratch / "runtime";
    fs::create_directory(work);
    fs::create_directory(runtime);
    fs::permissions(runtime, fs::perms::owner_all, fs::perm_options::replace);
    const std::string log = (scratch / "saida.txt").string();

    const int in = ::inotify_init1(IN_CLOEXEC | IN_NONBLOCK);
    if (in < 0 || ::inotify_add_watch(in, work.c_str(), IN_MOVED_TO | IN_CLOSE_WRITE) < 0) {
        error = std::string("inotify: ") + std::strerror(errno);
        if (in >= 0) ::close(in);
        fs::remove_all(scratch);
        return std::nullopt;
    }

    const Clock::time_point t0 = Clock::now();
    const pid_t child = ::fork();
    if (child == 0) {
        if (::chdir(work.c_str()) != 0) ::_exit(126);
        const int out = ::open(log.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        if (out >= 0) {
            ::dup2(out, 1);
            ::dup2(out, 2);
        }
        ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
        ::setenv("XDG_RUNTIME_DIR", runtime.c_str(), 1);
        ::setenv("ECFSIM_DIR", (scratch / "ecf-simulado").c_str(), 1);
        ::setenv("QUITERVAL_DRIVER_LOG", (scratch / "DARUMA.txt").c_str(), 1);
        ::unsetenv("QT_DEBUG_PLUGINS");
        ::unsetenv("QUITERVAL_ECF_LIBRARY");
        if (o.launcher.empty()) {
            char* const args[] = {const_cast<char*>(o.program.c_str()), nullptr};
            ::execv(o.program.c_str(), args);
        } else {
            char* const args[] = {const_cast<char*>(o.launcher.c_str()),
                                  const_cast<char*>(o.program.c_str()), nullptr};
            ::execvp(o.launcher.c_str(), args);
        }
        ::_exit(127);
    }
    if (child < 0) {
        error = std::string("fork: ") + std::strerror(errno);
        ::close(in);
        fs::remove_all(scratch);
        return std::nullopt;
    }

    const bool shown = wait_for_settings_file(in, child, t0, o.timeout_ms);
    const double shown_ms = ms_since(t0);
    const double cpu_ms = shown ? cpu_ms_of(child) : -1;
    ::close(in);
    if (shown) ::usleep(static_cast<useconds_t>(o.settle_ms) * 1000);
    ::kill(child, SIGTERM);
    int status = 0;
    rusage usage{};
    pid_t waited;
    do {
        waited = ::wait4(child, &status, 0, &usage);
    } while (waited < 0 && errno == EINTR);

    std::optional<Run> result;
    if (!shown) {
        error = "partida " + std::to_string(index + 1) + ": a janela não apareceu";
        if (WIFEXITED(status))
            error += " (o programa terminou com " + std::to_string(WEXITSTATUS(status)) + ")";
        error += "; saída do programa em " + log;
        // The scratch folder is kept for the post-mortem.
        return result;
    }
    result = Run{shown_ms, cpu_ms, usage.ru_maxrss};
    fs::remove_all(scratch);
    return result;
}

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    const std::size_t n = v.size();
    return n % 2 == 1 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2.0;
}

} // namespace

int main(int argc, char** argv) {
    const Options o = parse(argc, argv);
    if (::access(o.program.c_str(), o.launcher.empty() ? X_OK : R_OK) != 0) {
        (void)std::fprintf(stderr, "bench_startup: %s: %s\n", o.program.c_str(),
                           std::strerror(errno));
        return 2;
    }
    std::vector<double> shown;
    std::vector<double> cpu;
    std::vector<double> rss_mib;
    for (int i = 0; i < o.runs; ++i) {
        std::string error;
        const std::optional<Run> r = one_start(o, i, error);
        if (!r) {
            (void)std::fprintf(stderr, "bench_startup: %s\n", error.c_str());
            return 1;
        }
        shown.push_back(r->shown_ms);
        if (r->cpu_ms >= 0) cpu.push_back(r->cpu_ms);
        rss_mib.push_back(static_cast<double>(r->peak_rss_kib) / 1024.0);
        if (!o.json)
            std::printf("partida %2d: janela em %7.1f ms (processador %6.1f ms), pico de "
                        "memória %6.1f MiB\n",
                        i + 1, r->shown_ms, r->cpu_ms, rss_mib.back());
    }
    const double shown_median = median(shown);
    const double shown_min = *std::min_element(shown.begin(), shown.end());
    const double shown_max = *std::max_element(shown.begin(), shown.end());
    const double cpu_median = cpu.empty() ? -1 : median(cpu);
    const double rss_median = median(rss_mib);
    const double rss_max = *std::max_element(rss_mib.begin(), rss_mib.end());
    if (o.json) {
        std::printf("{\"runs\": %d, \"settle_ms\": %d,\n"
                    " \"shown_ms\": {\"median\": %.2f, \"min\": %.2f, \"max\": %.2f},\n"
                    " \"cpu_to_shown_ms\": {\"median\": %.2f},\n"
                    " \"peak_rss_mib\": {\"median\": %.2f, \"max\": %.2f},\n"
                    " \"shown_ms_all\": [",
                    o.runs, o.settle_ms, shown_median, shown_min, shown_max, cpu_median, rss_median,
                    rss_max);
        for (std::size_t i = 0; i < shown.size(); ++i)
            std::printf("%s%.2f", i == 0 ? "" : ", ", shown[i]);
        std::printf("]}\n");
    } else {
        std::printf("janela mostrada: mediana %.1f ms (mín. %.1f, máx. %.1f) em %d partidas; "
                    "processador até lá: mediana %.1f ms\n",
                    shown_median, shown_min, shown_max, o.runs, cpu_median);
        std::printf("pico de memória residente: mediana %.1f MiB, máx. %.1f MiB\n", rss_median,
                    rss_max);
    }
    return 0;
}

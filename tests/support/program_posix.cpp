// Programs run for tests on POSIX systems: posix_spawn, pipes and poll.
#include "tests/support/program.h"

#include "tests/support/files.h"
#include "tests/support/scratch_folder.h"

#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

extern char** environ;

namespace qv::test {

namespace fs = std::filesystem;

namespace {

int wait_for(pid_t pid) {
    int wstatus = 0;
    while (::waitpid(pid, &wstatus, 0) < 0) {
        if (errno != EINTR) return -1;
    }
    return WIFEXITED(wstatus) ? WEXITSTATUS(wstatus) : 128 + WTERMSIG(wstatus);
}

// Starts `program` with `actions`; the process id, or -1 with `error` set.
pid_t start(const fs::path& program, const std::vector<std::string>& args,
            const posix_spawn_file_actions_t& actions, bool without_terminal, std::string& error) {
    std::vector<char*> argv{const_cast<char*>(program.c_str())};
    for (const std::string& a : args)
        argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    // A session of its own has no controlling terminal.
    if (without_terminal) posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSID);
    pid_t pid = -1;
    const int rc =
        program.has_parent_path()
            ? posix_spawn(&pid, program.c_str(), &actions, &attributes, argv.data(), environ)
            : posix_spawnp(&pid, program.c_str(), &actions, &attributes, argv.data(), environ);
    posix_spawnattr_destroy(&attributes);
    if (rc != 0) {
        error = "cannot start " + program.string() + ": " + std::strerror(rc);
        return -1;
    }
    return pid;
}

} // namespace

ProgramRun run_program(const fs::path& program, const std::vector<std::string>& args,
                       const RunOptions& options) {
    const ScratchFolder files("qv-run");
    const fs::path in = files.path() / "in", out = files.path() / "out", err = files.path() / "err";
    write_file(in, options.input);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, in.c_str(), O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    posix_spawn_file_actions_addopen(&actions, 2, err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    if (!options.folder.empty())
        posix_spawn_file_actions_addchdir_np(&actions, options.folder.c_str());
    ProgramRun r;
    const pid_t pid = start(program, args, actions, options.without_terminal, r.err);
    posix_spawn_file_actions_destroy(&actions);
    if (pid < 0) return r;
    r.status = wait_for(pid);
    r.out = read_file(out);
    r.err = read_file(err);
    return r;
}

fs::path this_program() {
    return fs::read_symlink("/proc/self/exe");
}

void kill_this_process() {
    ::raise(SIGKILL);
    for (;;) // the signal cannot be caught or ignored
        ::pause();
}

struct ProgramSession::Handles {
    pid_t pid = -1;
    int to = -1;   // the program's input
    int from = -1; // the program's output
    int status = -1;
};

ProgramSession::ProgramSession(const fs::path& program, const std::vector<std::string>& args)
    : handles_(std::make_unique<Handles>()) {
    int to_program[2], from_program[2];
    if (::pipe2(to_program, O_CLOEXEC) != 0) return;
    if (::pipe2(from_program, O_CLOEXEC) != 0) {
        ::close(to_program[0]);
        ::close(to_program[1]);
        return;
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, to_program[0], 0);
    posix_spawn_file_actions_adddup2(&actions, from_program[1], 1);
    std::string error;
    handles_->pid = start(program, args, actions, false, error);
    posix_spawn_file_actions_destroy(&actions);
    ::close(to_program[0]);
    ::close(from_program[1]);
    handles_->to = to_program[1];
    handles_->from = from_program[0];
}

ProgramSession::~ProgramSession() {
    (void)finish();
    if (handles_->from >= 0) ::close(handles_->from);
}

bool ProgramSession::started() const {
    return handles_->pid > 0;
}

bool ProgramSession::send(std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t n = handles_->to < 0 ? -1 : ::write(handles_->to, bytes.data(), bytes.size());
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        bytes.remove_prefix(static_cast<std::size_t>(n));
    }
    return true;
}

std::string ProgramSession::receive(std::size_t count, int seconds) {
    std::string got;
    timespec now{};
    ::clock_gettime(CLOCK_MONOTONIC, &now);
    const long long deadline = now.tv_sec * 1000LL + now.tv_nsec / 1000000 + seconds * 1000LL;
    while (got.size() < count && handles_->from >= 0) {
        ::clock_gettime(CLOCK_MONOTONIC, &now);
        const long long left = deadline - (now.tv_sec * 1000LL + now.tv_nsec / 1000000);
        if (left <= 0) break;
        pollfd p{handles_->from, POLLIN, 0};
        const int ready = ::poll(&p, 1, static_cast<int>(left));
        if (ready < 0 && errno == EINTR) continue;
        if (ready <= 0) break;
        char buffer[4096];
        const ssize_t n =
            ::read(handles_->from, buffer, std::min(sizeof buffer, count - got.size()));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        got.append(buffer, static_cast<std::size_t>(n));
    }
    return got;
}

int ProgramSession::finish() {
    if (handles_->to >= 0) {
        ::close(handles_->to);
        handles_->to = -1;
    }
    if (handles_->pid > 0) {
        handles_->status = wait_for(handles_->pid);
        handles_->pid = -1;
    }
    return handles_->status;
}

} // namespace qv::test

#include "childprocess.h"

#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

using namespace tubrix;

namespace {

// Closes what it holds when it goes.
struct Fd {
    int Value = -1;
    ~Fd() { Close(); }
    void Close() {
        if (Value >= 0) {
            ::close(Value);
            Value = -1;
        }
    }
};

bool MakePipe(Fd& read, Fd& write) {
    int ends[2];
    if (::pipe2(ends, O_CLOEXEC) != 0) {
        return false;
    }
    read.Value = ends[0];
    write.Value = ends[1];
    return true;
}

// Reads what is there; false at the end of the stream.
bool Drain(Fd& fd, std::string& into) {
    char buffer[65536];
    const ssize_t got = ::read(fd.Value, buffer, sizeof buffer);
    if (got > 0) {
        into.append(buffer, static_cast<std::size_t>(got));
        return true;
    }
    if (got < 0 && (errno == EINTR || errno == EAGAIN)) {
        return true;
    }
    fd.Close();
    return false;
}

} // namespace

Result<ChildRun> RunChild(const std::string& program, const std::vector<std::string>& args,
                          const std::string& input, std::chrono::milliseconds limit,
                          std::size_t maxOutput) {
    Fd inRead, inWrite, outRead, outWrite, errRead, errWrite;
    if (!MakePipe(inRead, inWrite) || !MakePipe(outRead, outWrite) ||
        !MakePipe(errRead, errWrite)) {
        return Failed(std::string("cannot make a pipe: ") + std::strerror(errno));
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, inRead.Value, 0);
    posix_spawn_file_actions_adddup2(&actions, outWrite.Value, 1);
    posix_spawn_file_actions_adddup2(&actions, errWrite.Value, 2);
    std::vector<char*> argv{const_cast<char*>(program.c_str())};
    for (const std::string& arg : args) {
        argv.push_back(const_cast<char*>(arg.c_str()));
    }
    argv.push_back(nullptr);
    pid_t pid = 0;
    const int spawned = posix_spawn(&pid, program.c_str(), &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0) {
        return Failed("cannot start " + program + ": " + std::strerror(spawned));
    }
    // A child that dies before taking its input must not take this process with it.
    struct sigaction ignore {
    }, before{};
    ignore.sa_handler = SIG_IGN;
    ::sigaction(SIGPIPE, &ignore, &before);
    inRead.Close();
    outWrite.Close();
    errWrite.Close();
    ::fcntl(inWrite.Value, F_SETFL, O_NONBLOCK);

    ChildRun run;
    std::size_t written = 0;
    if (input.empty()) {
        inWrite.Close();
    }
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (outRead.Value >= 0 || errRead.Value >= 0) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) {
            run.TimedOut = true;
            break;
        }
        pollfd watched[3] = {
            {outRead.Value, POLLIN, 0}, {errRead.Value, POLLIN, 0}, {inWrite.Value, POLLOUT, 0}};
        if (::poll(watched, 3, static_cast<int>(left.count())) < 0 && errno != EINTR) {
            break;
        }
        if (watched[0].revents != 0) {
            Drain(outRead, run.Out);
        }
        if (watched[1].revents != 0 && run.Err.size() < maxOutput) {
            Drain(errRead, run.Err);
        }
        if (watched[2].revents != 0) {
            const ssize_t put =
                (watched[2].revents & POLLOUT)
                    ? ::write(inWrite.Value, input.data() + written, input.size() - written)
                    : -1;
            if (put > 0) {
                written += static_cast<std::size_t>(put);
            }
            if (put < 0 || written == input.size()) {
                inWrite.Close();
            }
        }
        if (run.Out.size() > maxOutput) {
            run.OutputTooLong = true;
            break;
        }
    }
    int status = 0;
    if (run.TimedOut || run.OutputTooLong) {
        ::kill(pid, SIGKILL);
    }
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    ::sigaction(SIGPIPE, &before, nullptr);
    if (WIFEXITED(status) && !run.TimedOut && !run.OutputTooLong) {
        run.ExitStatus = WEXITSTATUS(status);
    } else if (WIFSIGNALED(status) && !run.TimedOut && !run.OutputTooLong) {
        run.Signal = WTERMSIG(status);
    }
    return run;
}

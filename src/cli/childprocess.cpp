#include "childprocess.h"

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sys/resource.h>
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

// Reads what is there, keeping it while `into` holds less than `keep` bytes and dropping the
// rest, so that a child writing without end is read (and can be stopped or finish) rather than
// left blocked on a full pipe that poll reports ready for ever. False at the end of the stream.
bool Drain(Fd& fd, std::string& into, std::size_t keep) {
    char buffer[65536];
    const ssize_t got = ::read(fd.Value, buffer, sizeof buffer);
    if (got > 0) {
        const std::size_t room = into.size() < keep ? keep - into.size() : 0;
        into.append(buffer, std::min(room, static_cast<std::size_t>(got)));
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
                          std::size_t maxOutput, std::uint64_t memoryBytes) {
    Fd inRead, inWrite, outRead, outWrite, errRead, errWrite;
    if (!MakePipe(inRead, inWrite) || !MakePipe(outRead, outWrite) ||
        !MakePipe(errRead, errWrite)) {
        return Failed(std::string("cannot make a pipe: ") + std::strerror(errno));
    }
    std::vector<char*> argv{const_cast<char*>(program.c_str())};
    for (const std::string& arg : args) {
        argv.push_back(const_cast<char*>(arg.c_str()));
    }
    argv.push_back(nullptr);
    // fork and exec rather than posix_spawn, which has no way to set a limit in the child
    // alone: between the two the child only calls what is safe after a fork.
    const rlimit memory{static_cast<rlim_t>(memoryBytes), static_cast<rlim_t>(memoryBytes)};
    Fd failRead, failWrite; // the errno of an exec that failed; closed by one that succeeds
    if (!MakePipe(failRead, failWrite)) {
        return Failed(std::string("cannot make a pipe: ") + std::strerror(errno));
    }
    const pid_t pid = ::fork();
    if (pid < 0) {
        return Failed("cannot start " + program + ": " + std::strerror(errno));
    }
    if (pid == 0) {
        if (::dup2(inRead.Value, 0) < 0 || ::dup2(outWrite.Value, 1) < 0 ||
            ::dup2(errWrite.Value, 2) < 0 ||
            (memoryBytes > 0 && ::setrlimit(RLIMIT_AS, &memory) != 0)) {
            const int error = errno;
            (void)!::write(failWrite.Value, &error, sizeof error);
            ::_exit(127);
        }
        ::execve(program.c_str(), argv.data(), environ);
        const int error = errno;
        (void)!::write(failWrite.Value, &error, sizeof error);
        ::_exit(127);
    }
    failWrite.Close();
    int execError = 0;
    ssize_t got = 0;
    while ((got = ::read(failRead.Value, &execError, sizeof execError)) < 0 && errno == EINTR) {
    }
    if (got == static_cast<ssize_t>(sizeof execError)) {
        int status = 0;
        while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
        }
        return Failed("cannot start " + program + ": " + std::strerror(execError));
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
            Drain(outRead, run.Out, maxOutput + 1);
        }
        if (watched[1].revents != 0) {
            Drain(errRead, run.Err, maxOutput);
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

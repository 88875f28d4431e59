#include "tools/runtool.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace lumivox::tools {
namespace {

volatile sig_atomic_t childPid = 0;
volatile sig_atomic_t endingSignal = 0;

void forwardSignal(int sig) {
    endingSignal = sig;
    if (childPid > 0) {
        kill(childPid, sig);
    }
}

// Writes everything; a closed stdout is not the tool's problem, so its errors are dropped and
// the pipe keeps being drained.
void writeAll(std::string_view text) {
    while (!text.empty()) {
        const ssize_t n = write(STDOUT_FILENO, text.data(), text.size());
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            return;
        }
        text.remove_prefix(static_cast<std::size_t>(n));
    }
}

bool isRegularFile(const std::string& path, bool& exists) {
    struct stat st {};
    exists = lstat(path.c_str(), &st) == 0;
    return exists && S_ISREG(st.st_mode);
}

std::string resolve(const std::string& path, const std::string& folder) {
    if (path.empty() || path.front() == '/' || folder.empty()) {
        return path;
    }
    return folder + "/" + path;
}

// In the child between fork and exec: only async-signal-safe calls.
[[noreturn]] void execChild(const ToolRun& run, char* const* argv, int outFd, int errFd,
                            int errorFd, const sigset_t& oldMask) {
    signal(SIGTERM, SIG_DFL);
    signal(SIGINT, SIG_DFL);
    signal(SIGPIPE, SIG_DFL);
    sigprocmask(SIG_SETMASK, &oldMask, nullptr);
    // The tool must not outlive an adapter that was killed outright.
    prctl(PR_SET_PDEATHSIG, SIGTERM);
    const int nullFd = open("/dev/null", O_RDONLY | O_CLOEXEC);
    if (nullFd >= 0) {
        dup2(nullFd, STDIN_FILENO);
    }
    dup2(outFd, STDOUT_FILENO);
    dup2(errFd, STDERR_FILENO);
    if (!run.workFolder.empty()) {
        (void)!chdir(run.workFolder.c_str());
    }
    execvp(argv[0], argv);
    const int err = errno;
    (void)!write(errorFd, &err, sizeof err);
    _exit(127);
}

// Starts the tool with its stdout on outFd and its stderr on errFd; -1 (reported) when it could
// not be started.
pid_t startTool(const ToolRun& run, int outFd, int errFd, const char* adapterName) {
    std::vector<std::string> storage;
    storage.reserve(run.args.size() + 1);
    storage.push_back(run.program);
    storage.insert(storage.end(), run.args.begin(), run.args.end());
    std::vector<char*> argv;
    for (std::string& s : storage) {
        argv.push_back(s.data());
    }
    argv.push_back(nullptr);

    int errorPipe[2];  // close-on-exec: carries errno when exec fails
    if (pipe2(errorPipe, O_CLOEXEC) != 0) {
        std::fprintf(stderr, "%s: cannot create a pipe: %s\n", adapterName, std::strerror(errno));
        return -1;
    }

    struct sigaction forward {};
    forward.sa_handler = forwardSignal;
    sigemptyset(&forward.sa_mask);
    sigaction(SIGTERM, &forward, nullptr);
    sigaction(SIGINT, &forward, nullptr);
    signal(SIGPIPE, SIG_IGN);

    // Hold the signals until childPid is known, so none is lost in between.
    sigset_t block, oldMask;
    sigemptyset(&block);
    sigaddset(&block, SIGTERM);
    sigaddset(&block, SIGINT);
    sigprocmask(SIG_BLOCK, &block, &oldMask);
    const pid_t pid = fork();
    if (pid == 0) {
        execChild(run, argv.data(), outFd, errFd, errorPipe[1], oldMask);
    }
    if (pid > 0) {
        childPid = pid;
    }
    sigprocmask(SIG_SETMASK, &oldMask, nullptr);
    close(errorPipe[1]);
    if (pid < 0) {
        close(errorPipe[0]);
        std::fprintf(stderr, "%s: cannot start %s: %s\n", adapterName, run.program.c_str(),
                     std::strerror(errno));
        return -1;
    }

    int execError = 0;
    ssize_t got;
    do {
        got = read(errorPipe[0], &execError, sizeof execError);
    } while (got < 0 && errno == EINTR);
    close(errorPipe[0]);
    if (got == static_cast<ssize_t>(sizeof execError)) {
        waitpid(pid, nullptr, 0);
        childPid = 0;
        std::fprintf(stderr, "%s: cannot start %s: %s\n", adapterName, run.program.c_str(),
                     std::strerror(execError));
        return -1;
    }
    return pid;
}

int waitTool(pid_t pid) {
    int status = 0;
    while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    childPid = 0;
    return WIFEXITED(status)     ? WEXITSTATUS(status)
           : WIFSIGNALED(status) ? 128 + WTERMSIG(status)
                                 : 1;
}

}  // namespace

int endingSignalSeen() {
    return endingSignal;
}

void catchEndingSignals() {
    struct sigaction forward {};
    forward.sa_handler = forwardSignal;
    sigemptyset(&forward.sa_mask);
    sigaction(SIGTERM, &forward, nullptr);
    sigaction(SIGINT, &forward, nullptr);
}

int runTool(const ToolRun& run, const char* adapterName) {
    const std::string output = resolve(run.outputPath, run.workFolder);
    bool existedBefore = false;
    if (!output.empty()) {
        isRegularFile(output, existedBefore);
    }

    int outPipe[2];
    if (pipe2(outPipe, O_CLOEXEC) != 0) {
        std::fprintf(stderr, "%s: cannot create a pipe: %s\n", adapterName, std::strerror(errno));
        return 127;
    }
    const pid_t pid = startTool(run, outPipe[1], outPipe[1], adapterName);
    close(outPipe[1]);
    if (pid < 0) {
        close(outPipe[0]);
        return 127;
    }

    char buffer[4096];
    for (;;) {
        const ssize_t n = read(outPipe[0], buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            break;
        }
        const std::string_view piece(buffer, static_cast<std::size_t>(n));
        if (run.filter) {
            writeAll(run.filter(piece));
        } else {
            writeAll(piece);
        }
    }
    if (run.flush) {
        writeAll(run.flush());
    }
    close(outPipe[0]);

    int code = waitTool(pid);
    if (run.writeFailure) {
        if (const std::string why = run.writeFailure(output, code); !why.empty()) {
            writeAll(std::string(adapterName) + ": " + output + ": " + why + "\n");
            code = code == 0 ? 1 : code;
        }
    }

    bool existsAfter = false;
    if (code != 0 && !output.empty() && !existedBefore && isRegularFile(output, existsAfter)) {
        unlink(output.c_str());
    }
    return code;
}

bool captureTool(const ToolRun& run, const std::function<bool(std::string_view)>& onOut,
                 const std::function<void(std::string_view)>& onErr, const char* adapterName) {
    int outPipe[2];
    int errPipe[2];
    if (pipe2(outPipe, O_CLOEXEC) != 0) {
        return false;
    }
    if (pipe2(errPipe, O_CLOEXEC) != 0) {
        close(outPipe[0]);
        close(outPipe[1]);
        return false;
    }
    const pid_t pid = startTool(run, outPipe[1], errPipe[1], adapterName);
    close(outPipe[1]);
    close(errPipe[1]);
    if (pid < 0) {
        close(outPipe[0]);
        close(errPipe[0]);
        return false;
    }
    pollfd fds[2] = {{outPipe[0], POLLIN, 0}, {errPipe[0], POLLIN, 0}};
    int open = 2;
    bool refused = false;
    std::vector<char> buffer(1 << 16);
    while (open > 0) {
        if (poll(fds, 2, -1) < 0) {
            if (errno == EINTR) {
                continue;
            }
            break;
        }
        for (int i = 0; i < 2; ++i) {
            if (fds[i].fd < 0 || fds[i].revents == 0) {
                continue;
            }
            const ssize_t n = read(fds[i].fd, buffer.data(), buffer.size());
            if (n < 0 && errno == EINTR) {
                continue;
            }
            if (n <= 0) {
                close(fds[i].fd);
                fds[i].fd = -1;
                --open;
                continue;
            }
            const std::string_view piece(buffer.data(), static_cast<std::size_t>(n));
            if (i == 1) {
                onErr(piece);
            } else if (!refused && !onOut(piece)) {
                refused = true;
                kill(pid, SIGTERM);
            }
        }
    }
    for (const pollfd& fd : fds) {
        if (fd.fd >= 0) {
            close(fd.fd);
        }
    }
    return waitTool(pid) == 0 && !refused;
}

}  // namespace lumivox::tools

// A stand-in console tool for the runner tests. Its arguments are a little program run in order:
//   bytes N            write N bytes ('a'..'z' repeating) in one write
//   text S             write S
//   sleep MS           pause
//   burst N COUNT MS   COUNT writes of N bytes, MS apart
//   utf8split          "x" and the first two bytes of the euro sign, a pause, then its last
//                      byte and "y"
//   argv ...           write every following argument, each ended by a NUL byte
//   exit CODE          end with that status
//   crash              end by a signal
//   exec-as DIR NAME ...  link this program into DIR as NAME and continue there, so that the
//                      process list shows NAME
// Plain C++ without Qt, so that it starts about as fast as a real tool.
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <string>

#include <limits.h>
#include <time.h>
#include <unistd.h>

namespace {

void writeAll(const char* data, size_t size) {
    while (size > 0) {
        const ssize_t written = ::write(STDOUT_FILENO, data, size);
        if (written <= 0) {
            std::exit(120);
        }
        data += written;
        size -= static_cast<size_t>(written);
    }
}

void writeBytes(long count) {
    std::string block;
    for (long i = 0; i < count; ++i) {
        block += static_cast<char>('a' + i % 26);
    }
    writeAll(block.data(), block.size());
}

void sleepMs(long ms) {
    timespec pause{ms / 1000, (ms % 1000) * 1000000L};
    while (::nanosleep(&pause, &pause) != 0) {
    }
}

[[noreturn]] void execAs(const char* dir, const char* name, int argc, char** argv, int next) {
    char self[PATH_MAX];
    const ssize_t length = ::readlink("/proc/self/exe", self, sizeof self - 1);
    if (length <= 0) {
        std::exit(121);
    }
    self[length] = '\0';
    const std::string link = std::string(dir) + "/" + name;
    ::unlink(link.c_str());
    if (::symlink(self, link.c_str()) != 0) {
        std::exit(122);
    }
    char** args = new char*[static_cast<size_t>(argc - next + 2)];
    int n = 0;
    args[n++] = const_cast<char*>(link.c_str());
    for (int i = next; i < argc; ++i) {
        args[n++] = argv[i];
    }
    args[n] = nullptr;
    ::execv(link.c_str(), args);
    std::exit(123);
}

}  // namespace

int main(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        const std::string op = argv[i];
        auto number = [&] { return i + 1 < argc ? std::atol(argv[++i]) : 0L; };
        if (op == "bytes") {
            writeBytes(number());
        } else if (op == "text" && i + 1 < argc) {
            ++i;
            writeAll(argv[i], std::strlen(argv[i]));
        } else if (op == "sleep") {
            sleepMs(number());
        } else if (op == "burst") {
            const long size = number();
            const long count = number();
            const long pause = number();
            for (long b = 0; b < count; ++b) {
                writeBytes(size);
                sleepMs(pause);
            }
        } else if (op == "utf8split") {
            writeAll("x\xE2\x82", 3);
            sleepMs(300);
            writeAll(
                "\xAC"
                "y",
                2);
        } else if (op == "argv") {
            for (++i; i < argc; ++i) {
                writeAll(argv[i], std::strlen(argv[i]) + 1);
            }
        } else if (op == "exit") {
            return static_cast<int>(number());
        } else if (op == "crash") {
            std::signal(SIGKILL, SIG_DFL);
            ::kill(::getpid(), SIGKILL);
        } else if (op == "exec-as" && i + 2 < argc) {
            execAs(argv[i + 1], argv[i + 2], argc, argv, i + 3);
        } else {
            return 125;  // unknown step: a test's mistake, made visible
        }
    }
    return 0;
}

#include "SheetReaderProcess.h"

#include <CLI/CLI.hpp>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <new>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

#include "SheetReader.h"

extern char** environ;

namespace workbook {

namespace {

std::string readerProgram(const std::string& configured) {
    if (!configured.empty())
        return configured;
    if (const char* env = std::getenv("TAVOLA_SHEET_READER"); env && *env)
        return env;
    std::error_code ec;
    auto exe = std::filesystem::read_symlink("/proc/self/exe", ec);
    return (ec ? std::filesystem::path(".") : exe.parent_path()) / "tavola-sheet-reader";
}

std::string failure(const std::string& path, const std::string& why) {
    return "無法讀取活頁簿 " + path + "：" + why;
}

// The caller's environment, with the allocator of the reader set to take
// memory in large pieces (and huge pages where the system gives them): a read
// fills a fresh process's memory once, and page faults would otherwise cost
// as much as the reading.
std::vector<char*> childEnvironment() {
    static std::string tunables =
        "GLIBC_TUNABLES=glibc.malloc.hugetlb=1:glibc.malloc.top_pad=67108864:"
        "glibc.malloc.mmap_threshold=33554432:glibc.malloc.trim_threshold=1073741824";
    std::vector<char*> env;
    for (char** e = environ; *e; ++e)
        if (std::strncmp(*e, "GLIBC_TUNABLES=", 15) != 0)
            env.push_back(*e);
    env.push_back(tunables.data());
    env.push_back(nullptr);
    return env;
}

struct Pipe {
    int fd[2] = {-1, -1};
    Pipe() {
        if (::pipe2(fd, O_CLOEXEC) != 0)
            throw WorkbookError(std::string("無法建立管道：") + std::strerror(errno));
    }
    ~Pipe() {
        closeRead();
        closeWrite();
    }
    void closeRead() {
        if (fd[0] >= 0)
            ::close(fd[0]);
        fd[0] = -1;
    }
    void closeWrite() {
        if (fd[1] >= 0)
            ::close(fd[1]);
        fd[1] = -1;
    }
};

// Every signal back to its default and none blocked: the reader must die of
// what would kill it, whatever the caller has set up for itself.
struct SpawnSetup {
    posix_spawn_file_actions_t actions;
    posix_spawnattr_t attr;
    SpawnSetup(int out, int err) {
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, out, STDOUT_FILENO);
        posix_spawn_file_actions_adddup2(&actions, err, STDERR_FILENO);
        posix_spawnattr_init(&attr);
        sigset_t none, all;
        sigemptyset(&none);
        sigfillset(&all);
        posix_spawnattr_setsigmask(&attr, &none);
        posix_spawnattr_setsigdefault(&attr, &all);
        posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
    }
    ~SpawnSetup() {
        posix_spawn_file_actions_destroy(&actions);
        posix_spawnattr_destroy(&attr);
    }
};

} // namespace

Grid readSheetIsolated(const std::string& path, const std::string& sheet, const IsolatedRead& how) {
    // FIFOs and devices are refused here too, before a child could block on them.
    struct stat st;
    if (::stat(path.c_str(), &st) != 0)
        throw WorkbookError("無法開啟檔案 " + path + "：" + std::strerror(errno));
    if (!S_ISREG(st.st_mode))
        throw WorkbookError("不是一般檔案，無法當作活頁簿讀取：" + path);

    std::string program = readerProgram(how.program);
    std::vector<std::string> args = {program,
                                     "--memory",
                                     std::to_string(how.memoryBytes),
                                     "--seconds",
                                     std::to_string(how.seconds),
                                     "--max-part-bytes",
                                     std::to_string(how.limits.maxPartBytes),
                                     "--max-cells",
                                     std::to_string(how.limits.maxCells)};
    if (!how.testFault.empty()) {
        args.push_back("--test-fault");
        args.push_back(how.testFault);
    }
    args.push_back("--");
    args.push_back(path);
    args.push_back(sheet);
    std::vector<char*> argv;
    for (auto& a : args)
        argv.push_back(a.data());
    argv.push_back(nullptr);

    Pipe out, err;
    // A larger pipe lets the reader hand over the grid in fewer turns.
    ::fcntl(out.fd[1], F_SETPIPE_SZ, 1 << 20);
    pid_t pid = 0;
    {
        SpawnSetup setup(out.fd[1], err.fd[1]);
        int rc = posix_spawn(&pid, program.c_str(), &setup.actions, &setup.attr, argv.data(),
                             childEnvironment().data());
        if (rc != 0)
            throw WorkbookError("無法啟動活頁簿讀取程式 " + program + "：" + std::strerror(rc));
    }
    out.closeWrite();
    err.closeWrite();

    Grid::Receiver grid;
    std::string message;
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(how.seconds);
    bool timedOut = false;
    char errBuf[4096];
    pollfd fds[2] = {{out.fd[0], POLLIN, 0}, {err.fd[0], POLLIN, 0}};
    int open = 2;
    // Whatever ends the wait early, the child does not outlive it.
    struct Reaper {
        pid_t pid;
        bool armed = true;
        ~Reaper() {
            if (!armed)
                return;
            ::kill(pid, SIGKILL);
            int st;
            while (::waitpid(pid, &st, 0) < 0 && errno == EINTR) {
            }
        }
    } reaper{pid};
    while (open > 0) {
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                        deadline - std::chrono::steady_clock::now())
                        .count();
        if (left <= 0) {
            timedOut = true;
            break;
        }
        int n = ::poll(fds, 2, int(std::min<long long>(left, 1000)));
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            break;
        for (int i = 0; i < 2; ++i) {
            if (fds[i].fd < 0 || !(fds[i].revents & (POLLIN | POLLHUP | POLLERR)))
                continue;
            // The grid goes straight into its arrays; bytes beyond a complete
            // grid mean it is not one.
            auto [to, want] =
                i == 0 ? grid.space() : std::pair<char*, std::size_t>{errBuf, sizeof errBuf};
            char overflow[1];
            if (want == 0) {
                to = overflow;
                want = 1;
            }
            ssize_t got = ::read(fds[i].fd, to, want);
            if (got < 0 && errno == EINTR)
                continue;
            if (got <= 0) {
                fds[i].fd = -1;
                --open;
                continue;
            }
            if (i == 1) {
                if (message.size() < 65536)
                    message.append(errBuf, std::size_t(got));
            } else if (to == overflow) {
                throw WorkbookError(failure(path, "讀取程式傳回的資料不正確"));
            } else {
                grid.received(std::size_t(got));
            }
        }
    }
    if (timedOut)
        ::kill(pid, SIGKILL);
    reaper.armed = false;
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    while (!message.empty() && (message.back() == '\n' || message.back() == '\r'))
        message.pop_back();

    if (timedOut)
        throw WorkbookError(
            failure(path, "讀取超過 " + std::to_string(how.seconds) + " 秒，已停止"));
    if (WIFSIGNALED(status)) {
        int sig = WTERMSIG(status);
        std::string why = sig == SIGXCPU ? "讀取時間超過上限"
                                         : "讀取程式異常結束（訊號 " + std::to_string(sig) + "，" +
                                               strsignal(sig) + "）";
        throw WorkbookError(failure(path, why));
    }
    int code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    if (code != 0)
        throw WorkbookError(
            message.empty() ? failure(path, "讀取程式結束碼 " + std::to_string(code)) : message);
    return grid.take();
}

namespace {

void limit(int resource, std::uint64_t value) {
    rlimit r{rlim_t(value), rlim_t(value)};
    ::setrlimit(resource, &r);
}

} // namespace

int sheetReaderMain(int argc, char** argv) {
    CLI::App app{"Reads one sheet of a workbook and writes it to standard output as a grid "
                 "(used by tavola and tavola-batch)."};
    std::uint64_t memory = 0;
    unsigned seconds = 0;
    ReadLimits limits;
    std::string fault, path, sheet;
    app.add_option("--memory", memory, "address-space limit in bytes (0: none)");
    app.add_option("--seconds", seconds, "processor-time limit in seconds (0: none)");
    app.add_option("--max-part-bytes", limits.maxPartBytes, "largest part or file read, in bytes");
    app.add_option("--max-cells", limits.maxCells, "most cells kept");
    bool printPeak = false;
    app.add_flag("--print-peak-memory", printPeak,
                 "for measurements: print the peak resident memory to standard error");
    app.add_option("--test-fault", fault, "for tests of the caller: abort, hang or allocate")
        ->check(CLI::IsMember({"abort", "hang", "allocate"}));
    app.add_option("FILE", path, "workbook")->required();
    app.add_option("SHEET", sheet, "sheet name")->required();
    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& e) {
        return app.exit(e) == 0 ? 0 : 2;
    }
    if (memory)
        limit(RLIMIT_AS, memory);
    if (seconds)
        limit(RLIMIT_CPU, seconds);
    try {
        if (fault == "abort")
            std::abort();
        if (fault == "hang")
            for (;;)
                std::this_thread::sleep_for(std::chrono::hours(1));
        if (fault == "allocate") {
            std::vector<std::vector<char>> hog;
            for (;;)
                hog.emplace_back(std::size_t(64) << 20, '\1');
        }
        Grid g = readSheet(path, sheet, limits);
        g.writeTo(STDOUT_FILENO);
        if (printPeak) {
            rusage ru{};
            ::getrusage(RUSAGE_SELF, &ru);
            std::fprintf(stderr, "peak memory: %ld MB\n", ru.ru_maxrss / 1024);
        }
        return 0;
    } catch (const std::bad_alloc&) {
        std::fprintf(stderr, "無法讀取活頁簿 %s：所需記憶體超過上限\n", path.c_str());
    } catch (const WorkbookError& e) {
        std::fprintf(stderr, "%s\n", e.what());
    } catch (const std::runtime_error& e) {
        // File-system errors of the helpers.
        std::fprintf(stderr, "無法讀取活頁簿 %s：%s\n", path.c_str(), e.what());
    }
    return 1;
}

} // namespace workbook

#include "os/os.h"

#include <fcntl.h>
#include <pthread.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>

extern char** environ;

std::filesystem::path ownProgramFile(std::error_code& error)
{
    return std::filesystem::read_symlink("/proc/self/exe", error);
}

void nameThisThread(const char* name) { pthread_setname_np(pthread_self(), name); }

bool programOnPath(const char* name)
{
    const char* path = std::getenv("PATH");
    if (!path) return false;
    const std::string dirs = path;
    std::size_t begin = 0;
    while (begin <= dirs.size()) {
        std::size_t end = dirs.find(':', begin);
        if (end == std::string::npos) end = dirs.size();
        const std::string candidate = (end > begin ? dirs.substr(begin, end - begin) : std::string(".")) + "/" + name;
        struct stat info {};
        if (stat(candidate.c_str(), &info) == 0 && S_ISREG(info.st_mode) && access(candidate.c_str(), X_OK) == 0)
            return true;
        begin = end + 1;
    }
    return false;
}

ProgramId startProgram(const char* const* args, FILE** input, const char* errorLog, std::string& error)
{
    int ends[2] = {-1, -1};
    if (input) {
        // A dying helper must show up as a failed write with a message, not as a silent SIGPIPE.
        std::signal(SIGPIPE, SIG_IGN);
        // The write end must not leak into the helper, or it would never see the end of its input.
        if (pipe(ends) != 0 || fcntl(ends[1], F_SETFD, FD_CLOEXEC) != 0) {
            error = std::string("cannot make a pipe to ") + args[0] + ": " + std::strerror(errno);
            if (ends[0] >= 0) close(ends[0]);
            if (ends[1] >= 0) close(ends[1]);
            return noProgram;
        }
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    if (input) {
        posix_spawn_file_actions_adddup2(&actions, ends[0], STDIN_FILENO);
        posix_spawn_file_actions_addclose(&actions, ends[0]);
    }
    if (errorLog) posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, errorLog, O_WRONLY | O_CREAT | O_APPEND, 0644);
    pid_t child = -1;
    const int status = posix_spawnp(&child, args[0], &actions, nullptr, const_cast<char* const*>(args), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (input) close(ends[0]);
    if (status != 0) {
        error = std::string("cannot start ") + args[0] + ": " + std::strerror(status);
        if (input) close(ends[1]);
        return noProgram;
    }
    if (input) {
        *input = fdopen(ends[1], "wb");
        if (!*input) {
            error = std::string("cannot open the pipe to ") + args[0] + ": " + std::strerror(errno);
            close(ends[1]);
            int ignored = 0;
            std::string alsoIgnored;
            waitProgram(child, ignored, alsoIgnored);
            return noProgram;
        }
    }
    return child;
}

ProgramId startWorker(const char* path, const char* const* args, const char* errorLog, std::string& error)
{
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, errorLog, O_WRONLY | O_CREAT | O_TRUNC, 0644);
    pid_t child = -1;
    const int status = posix_spawn(&child, path, &actions, nullptr, const_cast<char* const*>(args), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (status == 0) return child;
    error = std::strerror(status);
    return noProgram;
}

namespace {

// The program's exit status once it has ended; false while it runs.
bool ended(ProgramId program, int& exitStatus, int& error)
{
    int status = 0;
    const pid_t pid = waitpid(static_cast<pid_t>(program), &status, WNOHANG);
    error = pid < 0 ? errno : 0;
    if (pid <= 0) return false;
    exitStatus = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    return true;
}

// Stop requests restart waitpid (SA_RESTART), so the waits look for them between short naps.
void nap() { usleep(10000); }

}  // namespace

bool waitAnyProgram(const std::vector<ProgramId>& running, ProgramId& endedProgram, int& exitStatus, std::string& error)
{
    if (running.empty()) {
        error = "no program to wait for";
        return false;
    }
    for (;;) {
        for (const ProgramId program : running) {
            int failure = 0;
            if (ended(program, exitStatus, failure)) {
                endedProgram = program;
                return true;
            }
            if (failure != 0 && failure != EINTR) {
                error = std::strerror(failure);
                return false;
            }
        }
        if (stopRequested() != 0) {
            endedProgram = noProgram;
            return true;
        }
        nap();
    }
}

void stopProgram(ProgramId program) { kill(static_cast<pid_t>(program), SIGTERM); }

void setEnvironmentDefault(const char* name, const char* value) { setenv(name, value, 0); }

bool waitProgram(ProgramId program, int& exitStatus, std::string& error)
{
    bool stopping = false;
    for (;;) {
        int failure = 0;
        if (ended(program, exitStatus, failure)) return true;
        if (failure != 0 && failure != EINTR) {
            error = std::strerror(failure);
            return false;
        }
        if (!stopping && stopRequested() != 0) {
            stopProgram(program);
            stopping = true;
        }
        nap();
    }
}

namespace {
std::atomic<int> stopSignal{0};
void hearStop(int signal)
{
    int none = 0;
    stopSignal.compare_exchange_strong(none, signal);
}
}  // namespace

void watchStopRequests()
{
    struct sigaction action {};
    action.sa_handler = hearStop;
    sigemptyset(&action.sa_mask);
    // Restarted calls keep reads and writes whole; the loops look at the request between them.
    action.sa_flags = SA_RESTART;
    for (int signal : {SIGINT, SIGTERM, SIGHUP}) sigaction(signal, &action, nullptr);
}

int stopRequested() { return stopSignal.load(); }

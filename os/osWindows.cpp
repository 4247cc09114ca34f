#include "os/os.h"

#include <windows.h>
#include <fcntl.h>
#include <io.h>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <vector>

namespace {

std::string lastError()
{
    char text[256] = {};
    const DWORD code = GetLastError();
    if (FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code, 0, text,
                       sizeof text, nullptr) == 0)
        return "system error " + std::to_string(code);
    std::string message = text;
    while (!message.empty() && (message.back() == '\n' || message.back() == '\r' || message.back() == '.'))
        message.pop_back();
    return message;
}

// One argument as the C runtime's command-line parser reads it back.
void appendQuoted(std::string& line, const char* argument)
{
    if (!line.empty()) line += ' ';
    line += '"';
    std::size_t backslashes = 0;
    for (const char* c = argument; *c; ++c) {
        if (*c == '\\') {
            ++backslashes;
            continue;
        }
        // Backslashes before a quote are doubled, and the quote escaped.
        line.append(*c == '"' ? backslashes * 2 + 1 : backslashes, '\\');
        backslashes = 0;
        line += *c;
    }
    line.append(backslashes * 2, '\\');
    line += '"';
}

}  // namespace

std::filesystem::path ownProgramFile(std::error_code& error)
{
    error.clear();
    std::vector<wchar_t> name(MAX_PATH);
    for (;;) {
        const DWORD length = GetModuleFileNameW(nullptr, name.data(), static_cast<DWORD>(name.size()));
        if (length == 0) {
            error = std::error_code(static_cast<int>(GetLastError()), std::system_category());
            return {};
        }
        if (length < name.size()) return std::filesystem::path(name.data());
        name.resize(name.size() * 2);
    }
}

void nameThisThread(const char* name)
{
    // SetThreadDescription came with Windows 10 1607; older systems simply go without.
    using Describe = HRESULT(WINAPI*)(HANDLE, PCWSTR);
    const auto describe =
        reinterpret_cast<Describe>(reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("kernel32.dll"), "SetThreadDescription")));
    if (!describe) return;
    std::wstring wide(name, name + std::strlen(name));
    describe(GetCurrentThread(), wide.c_str());
}

bool programOnPath(const char* name)
{
    char found[MAX_PATH];
    return SearchPathA(nullptr, name, ".exe", MAX_PATH, found, nullptr) != 0;
}

ProgramId startProgram(const char* const* args, FILE** input, const char* errorLog, std::string& error)
{
    char executable[MAX_PATH];
    if (SearchPathA(nullptr, args[0], ".exe", MAX_PATH, executable, nullptr) == 0) {
        error = std::string("cannot start ") + args[0] + ": not found on PATH";
        return noProgram;
    }
    std::string commandLine;
    for (const char* const* argument = args; *argument; ++argument) appendQuoted(commandLine, *argument);

    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    HANDLE readEnd = nullptr;
    HANDLE writeEnd = nullptr;
    if (input) {
        SECURITY_ATTRIBUTES inherited{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
        // Only the read end is inherited: the helper must see the end of its input.
        if (!CreatePipe(&readEnd, &writeEnd, &inherited, 0) || !SetHandleInformation(writeEnd, HANDLE_FLAG_INHERIT, 0)) {
            error = std::string("cannot make a pipe to ") + args[0] + ": " + lastError();
            if (readEnd) CloseHandle(readEnd);
            if (writeEnd) CloseHandle(writeEnd);
            return noProgram;
        }
    }
    HANDLE log = INVALID_HANDLE_VALUE;
    if (errorLog) {
        SECURITY_ATTRIBUTES inherited{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
        log = CreateFileA(errorLog, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherited, OPEN_ALWAYS,
                          FILE_ATTRIBUTE_NORMAL, nullptr);
    }
    const bool redirected = input || log != INVALID_HANDLE_VALUE;
    if (redirected) {
        startup.dwFlags = STARTF_USESTDHANDLES;
        startup.hStdInput = input ? readEnd : GetStdHandle(STD_INPUT_HANDLE);
        startup.hStdOutput = GetStdHandle(STD_OUTPUT_HANDLE);
        startup.hStdError = log != INVALID_HANDLE_VALUE ? log : GetStdHandle(STD_ERROR_HANDLE);
    }
    PROCESS_INFORMATION process{};
    const BOOL started = CreateProcessA(executable, commandLine.data(), nullptr, nullptr, redirected ? TRUE : FALSE, 0,
                                        nullptr, nullptr, &startup, &process);
    const std::string reason = started ? std::string() : lastError();
    if (readEnd) CloseHandle(readEnd);
    if (log != INVALID_HANDLE_VALUE) CloseHandle(log);
    if (!started) {
        error = std::string("cannot start ") + args[0] + ": " + reason;
        if (writeEnd) CloseHandle(writeEnd);
        return noProgram;
    }
    CloseHandle(process.hThread);
    if (input) {
        const int descriptor = _open_osfhandle(reinterpret_cast<intptr_t>(writeEnd), _O_WRONLY | _O_BINARY);
        *input = descriptor >= 0 ? _fdopen(descriptor, "wb") : nullptr;
        if (!*input) {
            error = std::string("cannot open the pipe to ") + args[0];
            if (descriptor >= 0) _close(descriptor); else CloseHandle(writeEnd);
            int ignored = 0;
            std::string alsoIgnored;
            waitProgram(reinterpret_cast<ProgramId>(process.hProcess), ignored, alsoIgnored);
            return noProgram;
        }
    }
    return reinterpret_cast<ProgramId>(process.hProcess);
}

bool waitProgram(ProgramId program, int& exitStatus, std::string& error)
{
    const HANDLE process = reinterpret_cast<HANDLE>(program);
    // Short waits, so that a stop request heard meanwhile stops the helper.
    DWORD waited = WAIT_TIMEOUT;
    for (bool stopping = false; waited == WAIT_TIMEOUT;) {
        waited = WaitForSingleObject(process, 20);
        if (!stopping && waited == WAIT_TIMEOUT && stopRequested() != 0) {
            stopProgram(program);
            stopping = true;
        }
    }
    DWORD code = 0;
    const bool ok = waited == WAIT_OBJECT_0 && GetExitCodeProcess(process, &code);
    if (!ok) error = lastError();
    CloseHandle(process);
    exitStatus = static_cast<int>(code);
    return ok;
}

ProgramId startWorker(const char* path, const char* const* args, const char* errorLog, std::string& error)
{
    std::string commandLine;
    for (const char* const* argument = args; *argument; ++argument) appendQuoted(commandLine, *argument);
    SECURITY_ATTRIBUTES inherited{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
    const HANDLE nothing = CreateFileA("NUL", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherited, OPEN_EXISTING, 0, nullptr);
    const HANDLE log = CreateFileA(errorLog, GENERIC_WRITE, FILE_SHARE_READ, &inherited, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = nothing;
    startup.hStdOutput = GetStdHandle(STD_OUTPUT_HANDLE);
    startup.hStdError = log;
    PROCESS_INFORMATION process{};
    const bool started = nothing != INVALID_HANDLE_VALUE && log != INVALID_HANDLE_VALUE &&
                         CreateProcessA(path, commandLine.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup, &process);
    if (!started) error = lastError();
    if (nothing != INVALID_HANDLE_VALUE) CloseHandle(nothing);
    if (log != INVALID_HANDLE_VALUE) CloseHandle(log);
    if (!started) return noProgram;
    CloseHandle(process.hThread);
    return reinterpret_cast<ProgramId>(process.hProcess);
}

// The system waits on at most MAXIMUM_WAIT_OBJECTS (64) handles at once: more are waited on in
// groups of that many, each for a moment in turn, until one ends or a stop request is heard.
bool waitAnyProgram(const std::vector<ProgramId>& running, ProgramId& ended, int& exitStatus, std::string& error)
{
    if (running.empty()) {
        error = "no program to wait for";
        return false;
    }
    std::vector<HANDLE> processes;
    for (const ProgramId program : running) processes.push_back(reinterpret_cast<HANDLE>(program));
    for (;;) {
        for (std::size_t first = 0; first < processes.size(); first += MAXIMUM_WAIT_OBJECTS) {
            const DWORD count = static_cast<DWORD>(std::min<std::size_t>(processes.size() - first, MAXIMUM_WAIT_OBJECTS));
            const DWORD which = WaitForMultipleObjects(count, processes.data() + first, FALSE, processes.size() > count ? 5 : 20);
            if (which == WAIT_TIMEOUT) continue;
            if (which >= WAIT_OBJECT_0 + count) {
                error = lastError();
                return false;
            }
            const std::size_t index = first + (which - WAIT_OBJECT_0);
            DWORD code = 0;
            GetExitCodeProcess(processes[index], &code);
            CloseHandle(processes[index]);
            ended = running[index];
            exitStatus = static_cast<int>(code);
            return true;
        }
        if (stopRequested() != 0) {
            ended = noProgram;
            return true;
        }
    }
}

void stopProgram(ProgramId program) { TerminateProcess(reinterpret_cast<HANDLE>(program), 1); }

void setEnvironmentDefault(const char* name, const char* value)
{
    if (GetEnvironmentVariableA(name, nullptr, 0) == 0) SetEnvironmentVariableA(name, value);
}

namespace {
std::atomic<int> stopSignal{0};
BOOL WINAPI hearStop(DWORD event)
{
    int signal = event == CTRL_C_EVENT ? stopByInterrupt
                 : event == CTRL_BREAK_EVENT || event == CTRL_SHUTDOWN_EVENT ? stopByTerminate
                                                                             : stopByHangUp;
    int none = 0;
    stopSignal.compare_exchange_strong(none, signal);
    // After a close, log-off or shutdown event returns, the system ends the process at once:
    // hold it here so that the main thread can finish and exit with its own status first.
    if (event == CTRL_CLOSE_EVENT || event == CTRL_LOGOFF_EVENT || event == CTRL_SHUTDOWN_EVENT) Sleep(5000);
    return TRUE;
}
}  // namespace

void watchStopRequests() { SetConsoleCtrlHandler(hearStop, TRUE); }

int stopRequested() { return stopSignal.load(); }

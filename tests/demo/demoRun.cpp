#include "tests/demo/demoRun.h"

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include "tests/support/testData.h"

extern char** environ;

std::string makeDemoFolder(const XmModule& module)
{
    char pattern[] = "/tmp/strobarium-timeline-XXXXXX";
    if (!mkdtemp(pattern)) return "";
    const std::string folder = pattern;
    if (!writeTestData(folder) || !writeXm(folder + "/Data/sonavel3.xm", module)) {
        removeDemoFolder(folder);
        return "";
    }
    return folder;
}

void removeDemoFolder(const std::string& folder)
{
    std::error_code ignored;
    if (!folder.empty()) std::filesystem::remove_all(folder, ignored);
}

pid_t startDemo(const std::string& folder, int timeoutSeconds)
{
    const std::string runDemo = STROBARIUM_SOURCE_DIR "/tests/support/run-demo";
    const std::string binary = STROBARIUM_BINARY_DIR "/strobarium";
    const std::string timeout = std::to_string(timeoutSeconds);
    char* argv[] = {const_cast<char*>(runDemo.c_str()), const_cast<char*>(binary.c_str()),
                    const_cast<char*>(folder.c_str()), const_cast<char*>(timeout.c_str()),
                    const_cast<char*>("No"), nullptr};
    pid_t pid = -1;
    if (posix_spawn(&pid, runDemo.c_str(), nullptr, nullptr, argv, environ) != 0) return -1;
    return pid;
}

int waitDemo(pid_t pid)
{
    int status = 0;
    if (pid <= 0 || waitpid(pid, &status, 0) != pid) return -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

bool demoEnded(pid_t pid, int& status)
{
    int raw = 0;
    const pid_t result = waitpid(pid, &raw, WNOHANG);
    if (result == 0) return false;
    status = result == pid && WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    return true;
}

XmModule blankModule(int speed, int bpm, int instruments)
{
    XmModule module;
    module.title = "timeline test";
    module.channels = 2;
    module.speed = speed;
    module.bpm = bpm;
    for (int n = 1; n <= instruments; ++n) {
        XmSample tone;
        tone.name = "tone";
        for (int i = 0; i < 2000; ++i)
            tone.data.push_back(static_cast<int16_t>(std::lround(60 * std::sin(i * 0.2))));
        XmInstrument instrument;
        instrument.name = "instrument " + std::to_string(n);
        instrument.samples.push_back(tone);
        module.instruments.push_back(instrument);
    }
    return module;
}

int addPattern(XmModule& module, int rows)
{
    module.patterns.push_back(blankXmPattern(rows, module.channels));
    return static_cast<int>(module.patterns.size()) - 1;
}

void addNote(XmModule& module, int pattern, int row, int instrument)
{
    XmCell& cell = module.patterns[pattern].cells[row][0];
    cell.note = xmNote(4, 0);
    cell.instrument = static_cast<uint8_t>(instrument);
}

void setSpeedAt(XmModule& module, int pattern, int row, int channel, int value)
{
    XmCell& cell = module.patterns[pattern].cells[row][channel];
    cell.effect = 0x0F;
    cell.param = static_cast<uint8_t>(value);
}

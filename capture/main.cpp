// strobarium-capture: the demo rendered offline to a WAV, a frame log and a video (or PNG
// frames), the same on every run. See captureUsage() for the options.
#include <cstdio>
#include <filesystem>
#include <string>

#include "capture/capture.h"
#include "capture/captureOptions.h"
#include "capture/parts.h"
#include "common/dataFolder.h"
#include "os/os.h"

int main(int argc, char** argv)
{
    CaptureOptions options;
    std::string error;
    if (!parseCaptureOptions(argc, argv, options, error)) {
        std::fprintf(stderr, "strobarium-capture: %s\n%s", error.c_str(), captureUsage());
        return exitBadOptions;
    }
    if (options.help) {
        std::fputs(captureUsage(), stdout);
        return 0;
    }
    // The output folder is where the user asked, even when the data is read from the
    // installed folder.
    std::error_code ignored;
    options.outputDir = std::filesystem::absolute(options.outputDir, ignored).string();
    for (std::string& part : options.join) part = std::filesystem::absolute(part, ignored).string();
    enterDataFolder();
    watchStopRequests();
    if (!options.join.empty()) return joinParts(options.join, options.outputDir, options.mp4, options.overwrite);
    if (options.jobs > 1) return runJobs(options, ownProgramFile(ignored).string());
    return runCapture(options);
}

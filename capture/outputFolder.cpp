#include "capture/outputFolder.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <system_error>

#include "capture/captureOptions.h"
#include "os/os.h"

namespace fs = std::filesystem;

namespace {

fs::path outputFolder;  // empty: none open

void complain(const std::string& message) { std::fprintf(stderr, "strobarium-capture: %s\n", message.c_str()); }

bool isFramePng(const std::string& name)
{
    return name.size() > 10 && name.rfind("frame-", 0) == 0 && name.compare(name.size() - 4, 4, ".png") == 0;
}

// What a capture, a join or --jobs writes into an output folder.
bool writtenByCapture(const fs::directory_entry& entry)
{
    const std::string name = entry.path().filename().string();
    for (const char* file : {"frames.log", "audio.wav", "video.mkv", "video.mp4", "ffmpeg.log", partialFolderName})
        if (name == file) return true;
    std::error_code ignored;
    return isFramePng(name) || (name.rfind("part-", 0) == 0 && name.find("-of-") != std::string::npos &&
                                entry.is_directory(ignored));
}

std::vector<fs::path> earlierCapture(const fs::path& dir)
{
    std::vector<fs::path> found;
    std::error_code error;
    for (const fs::directory_entry& entry : fs::directory_iterator(dir, error))
        if (writtenByCapture(entry)) found.push_back(entry.path());
    std::sort(found.begin(), found.end());
    return found;
}

// The files in their order of importance: the videos first, the frames in one item.
std::string describe(std::vector<std::string> names)
{
    std::vector<std::string> items;
    for (const char* file : {"video.mkv", "video.mp4"})
        if (std::find(names.begin(), names.end(), file) != names.end()) items.push_back(file);
    std::sort(names.begin(), names.end());
    const auto frames = std::count_if(names.begin(), names.end(), isFramePng);
    if (frames > 0) {
        const auto first = std::find_if(names.begin(), names.end(), isFramePng);
        items.push_back(counted(frames, "frame PNG") + " (" + *first +
                        (frames > 1 ? " to " + *std::find_if(names.rbegin(), names.rend(), isFramePng) : "") + ")");
    }
    for (const char* file : {"audio.wav", "frames.log"})
        if (std::find(names.begin(), names.end(), file) != names.end()) items.push_back(file);
    std::string text;
    for (std::size_t i = 0; i < items.size(); ++i)
        text += (i == 0 ? "" : i + 1 == items.size() ? " and " : ", ") + items[i];
    return text;
}

}  // namespace

std::string counted(unsigned long long count, const char* thing)
{
    return std::to_string(count) + " " + thing + (count == 1 ? "" : "s");
}

int openOutputFolder(const std::string& dir, bool overwrite)
{
    std::error_code error;
    fs::create_directories(dir, error);
    if (error || !fs::is_directory(dir, error)) {
        complain("cannot create the output folder '" + dir + "': " +
                 (error ? error.message() : std::string("a file of that name is in the way")));
        return exitFailed;
    }
    const std::vector<fs::path> earlier = earlierCapture(dir);
    if (!earlier.empty() && !overwrite) {
        std::vector<std::string> names;
        for (const fs::path& path : earlier) names.push_back(path.filename().string());
        complain("the output folder '" + dir + "' holds an earlier capture (" + counted(earlier.size(), "file") + ": " +
                 names[0] + (names.size() > 1 ? ", ..." : "") + "); give -y (--overwrite) to replace it");
        return exitEarlierCapture;
    }
    const fs::path partial = fs::path(dir) / partialFolderName;
    fs::remove_all(partial, error);  // a killed capture's, replaced as -y allows
    if (!error) fs::create_directory(partial, error);
    if (error) {
        complain("cannot create '" + partial.string() + "': " + error.message());
        return exitFailed;
    }
    outputFolder = dir;
    return exitWritten;
}

std::string pendingFile(const std::string& name) { return (outputFolder / partialFolderName / name).string(); }

std::string finalFile(const std::string& name) { return (outputFolder / name).string(); }

bool commitOutputFolder(std::string& written, const std::vector<std::string>& keep)
{
    const fs::path partial = outputFolder / partialFolderName;
    std::error_code error;
    for (const fs::path& old : earlierCapture(outputFolder)) {
        const bool kept = old == partial || std::any_of(keep.begin(), keep.end(), [&old](const std::string& path) {
                              std::error_code ignored;
                              return fs::equivalent(old, path, ignored);
                          });
        if (!kept && (fs::remove_all(old, error), error)) break;
    }
    std::vector<std::string> names;
    for (fs::directory_iterator entry(partial, error), end; !error && entry != end; entry.increment(error))
        if (entry->is_regular_file() && entry->path().filename() != "ffmpeg.log") names.push_back(entry->path().filename().string());
    for (std::size_t i = 0; !error && i < names.size(); ++i) fs::rename(partial / names[i], outputFolder / names[i], error);
    if (error) complain("cannot move the capture into '" + outputFolder.string() + "': " + error.message());
    std::error_code ignored;
    fs::remove_all(partial, ignored);
    outputFolder.clear();
    written = describe(names);
    return !error;
}

void abandonOutputFolder(const std::vector<std::string>& kept)
{
    if (outputFolder.empty()) return;
    std::error_code ignored;
    for (const std::string& name : kept) {
        fs::remove_all(outputFolder / name, ignored);
        fs::rename(outputFolder / partialFolderName / name, outputFolder / name, ignored);
    }
    fs::remove_all(outputFolder / partialFolderName, ignored);
    outputFolder.clear();
}

int abandonStopped(const std::string& progress)
{
    abandonOutputFolder();
    const int signal = stopRequested();
    const char* name = signal == stopByInterrupt ? "SIGINT" : signal == stopByTerminate ? "SIGTERM" : "SIGHUP";
    complain(std::string("stopped by ") + name + " " + progress + ": nothing of it is kept");
    return stopExitStatus(signal);
}

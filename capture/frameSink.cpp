#include "capture/frameSink.h"

#include <atomic>
#include <cerrno>
#include <condition_variable>
#include <cstring>
#include <filesystem>
#include <mutex>
#include <thread>

#include "capture/frameHash.h"
#include "capture/pngWriter.h"

namespace {

constexpr int slotCount = 2;

FrameSlot slots[slotCount];
uint8_t uprightFrame[largestCaptureWidth * largestCaptureHeight * 3];  // sink thread only
char lineBuffer[syncTextCapacity + 128];                   // sink thread only

FrameSinkSetup sinkSetup;
std::thread sinkThread;
std::mutex slotMutex;
std::condition_variable slotChanged;
uint64_t framesSubmitted = 0;  // guarded by slotMutex
uint64_t framesDone = 0;       // guarded by slotMutex
bool stopping = false;         // guarded by slotMutex

std::atomic<bool> failed{false};
std::atomic<bool> pipeBroke{false};
std::string failure;  // written by the sink thread before `failed` is raised, read after

void fail(const std::string& why)
{
    if (failed.load()) return;
    failure = why;
    failed.store(true);
}

void failWriting(const std::string& file, const std::string& cause) { fail("cannot write '" + file + "': " + cause); }

std::string shown(const std::string& name) { return (std::filesystem::path(sinkSetup.shownFolder) / name).string(); }

void writeFrame(const FrameSlot& slot)
{
    if (failed.load()) return;
    uprightRgb(slot.pixels, sinkSetup.width, sinkSetup.height, uprightFrame);
    const std::size_t bytes = std::size_t(sinkSetup.width) * sinkSetup.height * 3;
    const uint64_t hash = frameHash(uprightFrame, bytes);
    if (sinkSetup.video) {
        if (std::fwrite(uprightFrame, 1, bytes, sinkSetup.video) != bytes) {
            pipeBroke.store(true);
            fail(std::string("writing to ffmpeg: ") + std::strerror(errno));
        }
    } else if (!sinkSetup.pngFolder.empty()) {
        const std::string name = frameFileName(slot.record.frame);
        std::string reason;
        if (!writePng((std::filesystem::path(sinkSetup.pngFolder) / name).string(), uprightFrame, sinkSetup.width,
                      sinkSetup.height, reason))
            failWriting(shown(name), reason);
    }
    const int length = formatFrameLine(slot.record, hash, lineBuffer, sizeof lineBuffer);
    if (!failed.load() && std::fprintf(sinkSetup.log, "%.*s\n", length, lineBuffer) < 0) failWriting(shown("frames.log"), std::strerror(errno));
}

void sinkLoop()
{
    std::unique_lock<std::mutex> lock(slotMutex);
    for (;;) {
        slotChanged.wait(lock, [] { return framesDone < framesSubmitted || stopping; });
        if (framesDone == framesSubmitted) return;
        const FrameSlot& slot = slots[framesDone % slotCount];
        lock.unlock();
        writeFrame(slot);
        lock.lock();
        ++framesDone;
        slotChanged.notify_all();
    }
}

}  // namespace

void uprightRgb(const uint8_t* bgraBottomUp, int width, int height, uint8_t* rgbTopDown)
{
    for (int y = 0; y < height; ++y) {
        const uint8_t* from = bgraBottomUp + std::size_t(height - 1 - y) * width * 4;
        uint8_t* to = rgbTopDown + std::size_t(y) * width * 3;
        for (int x = 0; x < width; ++x, from += 4, to += 3) {
            to[0] = from[2];
            to[1] = from[1];
            to[2] = from[0];
        }
    }
}

bool startFrameSink(const FrameSinkSetup& setup)
{
    if (setup.width < 1 || setup.height < 1 || setup.width > largestCaptureWidth || setup.height > largestCaptureHeight)
        return false;
    sinkSetup = setup;
    framesSubmitted = 0;
    framesDone = 0;
    stopping = false;
    failed.store(false);
    pipeBroke.store(false);
    failure.clear();
    sinkThread = std::thread(sinkLoop);
    return true;
}

FrameSlot& claimFrameSlot()
{
    std::unique_lock<std::mutex> lock(slotMutex);
    slotChanged.wait(lock, [] { return framesSubmitted - framesDone < slotCount; });
    return slots[framesSubmitted % slotCount];
}

void submitFrameSlot()
{
    std::lock_guard<std::mutex> lock(slotMutex);
    ++framesSubmitted;
    slotChanged.notify_all();
}

bool frameSinkWriting(std::string& reason)
{
    if (!failed.load()) return true;
    reason = failure;
    return false;
}

bool frameSinkPipeBroke() { return pipeBroke.load(); }

std::string frameFileName(uint64_t frame)
{
    const std::string number = std::to_string(frame);
    return "frame-" + std::string(number.size() < 6 ? 6 - number.size() : 0, '0') + number + ".png";
}

bool finishFrameSink(std::string& reason)
{
    if (sinkThread.joinable()) {
        {
            std::lock_guard<std::mutex> lock(slotMutex);
            stopping = true;
            slotChanged.notify_all();
        }
        sinkThread.join();
    }
    return frameSinkWriting(reason);
}

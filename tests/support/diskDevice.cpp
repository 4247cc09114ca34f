#include "tests/support/diskDevice.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>

#include "player/heardClock.h"

namespace {

constexpr uint64_t maxWriteFrames = 2 * deviceBufferFrames;

void readFifo(DiskDevice& device)
{
    const int fd = open(device.fifo.c_str(), O_RDONLY);
    if (fd < 0) return;
    // Large enough that one read takes whatever the driver wrote at once.
    std::vector<uint8_t> buffer(1 << 16), pending;
    std::chrono::steady_clock::time_point lastPiece;
    for (ssize_t got; (got = read(fd, buffer.data(), buffer.size())) > 0;) {
        const auto at = std::chrono::steady_clock::now();
        pending.insert(pending.end(), buffer.begin(), buffer.begin() + got);
        const std::size_t whole = pending.size() / 4 * 4;
        const auto* values = reinterpret_cast<const int16_t*>(pending.data());
        device.samples.insert(device.samples.end(), values, values + whole / 2);
        pending.erase(pending.begin(), pending.begin() + long(whole));
        const uint64_t frames = device.samples.size() / 2;
        auto& writes = device.writes;
        if (!writes.empty() && at - lastPiece < std::chrono::milliseconds(1) &&
            writes.back().endFrame - writes.back().startFrame < maxWriteFrames)
            writes.back().endFrame = frames;
        else
            writes.push_back({writes.empty() ? 0 : writes.back().endFrame, frames, at});
        lastPiece = at;
    }
    close(fd);
}

}  // namespace

DiskDevice::DiskDevice(const std::string& folder) : fifo(folder + "/device.fifo")
{
    mkfifo(fifo.c_str(), 0600);
    setenv("SDL_AUDIODRIVER", "disk", 1);
    setenv("SDL_DISKAUDIOFILE", fifo.c_str(), 1);
    reader = std::thread(readFifo, std::ref(*this));
}

void DiskDevice::finish()
{
    // A reader still waiting for the driver (which never came) is let go by a writer that leaves at once.
    const int fd = open(fifo.c_str(), O_WRONLY | O_NONBLOCK);
    if (fd >= 0) close(fd);
    reader.join();
    unlink(fifo.c_str());
}

std::chrono::steady_clock::time_point DiskDevice::handed(uint64_t frame, uint32_t bufferFrames) const
{
    if (writes.empty()) return {};
    auto write = writes.begin();
    while (write + 1 < writes.end() && write->endFrame <= frame) ++write;
    // The write arrived when the last of its buffers was handed over; each before it went one buffer duration earlier.
    const uint64_t bufferEnd = std::min<uint64_t>((frame / bufferFrames + 1) * bufferFrames, write->endFrame);
    return write->at - std::chrono::microseconds((write->endFrame - bufferEnd) * 1000000 / 44100);
}

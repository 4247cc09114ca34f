// SDL's disk audio driver writing into a FIFO that a thread of ours reads, timing each write. Stdio
// passes our buffers on in writes of at most two (its 4096-byte buffer); pieces arriving within a
// millisecond form one write. No globals: a DiskDevice holds its reader thread and what it read.
#pragma once

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "player/heardClock.h"

struct DiskDevice {
    struct Write {
        uint64_t startFrame, endFrame;
        std::chrono::steady_clock::time_point at;  // when its first piece arrived
    };
    std::string fifo;
    std::vector<int16_t> samples;  // stereo, everything the driver wrote
    std::vector<Write> writes;
    std::thread reader;

    explicit DiskDevice(const std::string& folder) : fifo(folder + "/device.fifo")
    {
        mkfifo(fifo.c_str(), 0600);
        setenv("SDL_AUDIODRIVER", "disk", 1);
        setenv("SDL_DISKAUDIOFILE", fifo.c_str(), 1);
        reader = std::thread([this] { read(); });
    }

    // Waits for the driver to close the FIFO (the player freed); a reader still waiting for a
    // driver that never came is let go by a writer that leaves at once.
    void finish()
    {
        const int fd = open(fifo.c_str(), O_WRONLY | O_NONBLOCK);
        if (fd >= 0) close(fd);
        reader.join();
        unlink(fifo.c_str());
    }

    // When the buffer of device frame `frame` was handed over: each buffer before the last of its
    // write went one buffer duration earlier.
    std::chrono::steady_clock::time_point handed(uint64_t frame, uint32_t bufferFrames) const
    {
        auto write = writes.begin();
        while (write + 1 < writes.end() && write->endFrame <= frame) ++write;
        if (write == writes.end()) return {};
        const uint64_t bufferEnd = std::min<uint64_t>((frame / bufferFrames + 1) * bufferFrames, write->endFrame);
        return write->at - std::chrono::microseconds((write->endFrame - bufferEnd) * 1000000 / 44100);
    }

private:
    void read()
    {
        const int fd = open(fifo.c_str(), O_RDONLY);
        if (fd < 0) return;
        std::vector<uint8_t> buffer(1 << 16), pending;  // one read takes whatever the driver wrote at once
        std::chrono::steady_clock::time_point lastPiece;
        for (ssize_t got; (got = ::read(fd, buffer.data(), buffer.size())) > 0;) {
            const auto at = std::chrono::steady_clock::now();
            pending.insert(pending.end(), buffer.begin(), buffer.begin() + got);
            const std::size_t whole = pending.size() / 4 * 4;
            const auto* values = reinterpret_cast<const int16_t*>(pending.data());
            samples.insert(samples.end(), values, values + whole / 2);
            pending.erase(pending.begin(), pending.begin() + long(whole));
            if (!writes.empty() && at - lastPiece < std::chrono::milliseconds(1) && writes.back().endFrame - writes.back().startFrame < 2 * deviceBufferFrames)
                writes.back().endFrame = samples.size() / 2;
            else
                writes.push_back({writes.empty() ? 0 : writes.back().endFrame, samples.size() / 2, at});
            lastPiece = at;
        }
        close(fd);
    }
};

// SDL's disk audio driver writing into a FIFO that a thread of ours reads, timing each write:
// what reached the "device" and when. Stdio sits between the driver and the FIFO and passes our
// device buffers on in writes of at most two (its 4096-byte buffer); pieces arriving within a
// millisecond form one write, which arrived when the last of its buffers was handed over.
// No globals: a DiskDevice holds its reader thread and what it read.
#pragma once

#include <chrono>
#include <string>
#include <thread>
#include <vector>

struct DiskWrite {
    uint64_t startFrame, endFrame;
    std::chrono::steady_clock::time_point at;  // when its first piece arrived
};

struct DiskDevice {
    std::string fifo;
    std::vector<int16_t> samples;  // stereo, everything the driver wrote
    std::vector<DiskWrite> writes;
    std::thread reader;

    // Makes the FIFO under `folder`, points SDL's disk driver at it and starts reading.
    explicit DiskDevice(const std::string& folder);
    // Waits for the driver to close the FIFO (the player freed), then removes it.
    void finish();
    // When the buffer of device frame `frame` was handed over.
    std::chrono::steady_clock::time_point handed(uint64_t frame, uint32_t bufferFrames) const;
};

// libopenmpt as an independent oracle for our player's timing: it renders a module on from
// where it stands and tells which row it played last.
#pragma once

#include <libopenmpt/libopenmpt.h>

#include <algorithm>
#include <memory>
#include <utility>
#include <vector>

struct OpenmptOracle {
    // Null when libopenmpt refuses the bytes.
    std::unique_ptr<openmpt_module, void (*)(openmpt_module*)> module;
    uint64_t rendered = 0;

    explicit OpenmptOracle(const std::vector<uint8_t>& bytes)
        : module(openmpt_module_create_from_memory2(bytes.data(), bytes.size(), {}, {}, {}, {}, {}, {}, {}), openmpt_module_destroy) {}

    // Renders on to `frame` at 44,100 Hz; false if the song ended first.
    bool renderTo(uint64_t frame)
    {
        static int16_t scratch[2 * 65536];
        for (std::size_t got = 1; rendered < frame && got; rendered += got)
            got = openmpt_module_read_interleaved_stereo(module.get(), 44100, std::min<uint64_t>(frame - rendered, 65536), scratch);
        return rendered >= frame;
    }
    // (order, row) of the row played last.
    std::pair<int, int> position() const { return {openmpt_module_get_current_order(module.get()), openmpt_module_get_current_row(module.get())}; }
};

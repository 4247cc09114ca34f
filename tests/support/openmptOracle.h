// libopenmpt as an independent oracle for our player's timing: it renders a module on from
// where it stands and tells which row it played last.
#pragma once

#include <libopenmpt/libopenmpt.h>

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

std::vector<char> fileBytes(const std::string& path);

struct OpenmptOracle {
    openmpt_module* module = nullptr;
    uint64_t rendered = 0;
    std::vector<int16_t> scratch = std::vector<int16_t>(2 * 65536);

    explicit OpenmptOracle(const std::vector<char>& bytes);
    ~OpenmptOracle();
    OpenmptOracle(const OpenmptOracle&) = delete;
    OpenmptOracle& operator=(const OpenmptOracle&) = delete;

    // Renders on to `frame` at 44,100 Hz; false if the song ended first.
    bool renderTo(uint64_t frame);
    // (order, row) of the row played last.
    std::pair<int, int> position() const;
};

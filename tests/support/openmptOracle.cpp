#include "tests/support/openmptOracle.h"

#include <algorithm>
#include <fstream>
#include <iterator>

std::vector<char> fileBytes(const std::string& path)
{
    std::ifstream file(path, std::ios::binary);
    return std::vector<char>(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

OpenmptOracle::OpenmptOracle(const std::vector<char>& bytes)
    : module(openmpt_module_create_from_memory2(bytes.data(), bytes.size(), nullptr, nullptr, nullptr, nullptr,
                                                nullptr, nullptr, nullptr))
{
}

OpenmptOracle::~OpenmptOracle() { openmpt_module_destroy(module); }

bool OpenmptOracle::renderTo(uint64_t frame)
{
    while (rendered < frame) {
        const auto want = static_cast<std::size_t>(std::min<uint64_t>(frame - rendered, 65536));
        const std::size_t got = openmpt_module_read_interleaved_stereo(module, 44100, want, scratch.data());
        rendered += got;
        if (got == 0) return false;
    }
    return true;
}

std::pair<int, int> OpenmptOracle::position() const
{
    return {openmpt_module_get_current_order(module), openmpt_module_get_current_row(module)};
}

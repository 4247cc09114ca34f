// Scratch folders and whole-file reads and writes: the one copy every test uses. No globals.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// A fresh folder under $TMPDIR (or /tmp), removed with everything in it when the object goes:
// parallel test cases each get their own.
class TempDir {
public:
    explicit TempDir(const char* label = "strobarium");
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::string& path() const { return path_; }
    std::string operator/(const std::string& name) const { return path_ + "/" + name; }

private:
    std::string path_;
};

// The whole file, empty when it cannot be read; writing (or replacing) is false on any failure.
std::vector<uint8_t> readFileBytes(const std::string& path);
inline std::string readFileText(const std::string& path) { const auto bytes = readFileBytes(path); return {bytes.begin(), bytes.end()}; }
bool writeFileBytes(const std::string& path, const std::vector<uint8_t>& bytes);

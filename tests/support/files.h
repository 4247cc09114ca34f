// Scratch folders and whole-file reads for tests: the one copy every test uses.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// A fresh folder under $TMPDIR (or /tmp), removed with everything in it when the object goes.
// Parallel test cases each get their own.
class TempDir {
public:
    explicit TempDir(const char* label = "strobarium");
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::string& path() const { return path_; }
    // path() + "/" + name
    std::string operator/(const std::string& name) const { return path_ + "/" + name; }

private:
    std::string path_;
};

// The whole file; empty when it cannot be read.
std::vector<uint8_t> readFileBytes(const std::string& path);
std::string readFileText(const std::string& path);

// Writes (or replaces) the file; false on any failure.
bool writeFileBytes(const std::string& path, const std::vector<uint8_t>& bytes);

#include "common/dataFolder.h"

#include <filesystem>
#include <system_error>

#include "os/os.h"

void enterDataFolder()
{
    namespace fs = std::filesystem;
    std::error_code error;
    if (fs::is_directory("Data", error)) return;
    const fs::path program = ownProgramFile(error);
    if (error) return;
    const fs::path installed = program.parent_path() / STROBARIUM_DATA_FROM_PROGRAM;
    if (fs::is_directory(installed / "Data", error)) fs::current_path(installed, error);
}

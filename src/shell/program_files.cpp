#include "shell/program_files.h"

#include <filesystem>
#include <system_error>

namespace tarnbeck {

std::string ProgramDirectory() {
    std::error_code error;
    const auto executable = std::filesystem::read_symlink("/proc/self/exe", error);
    if (error)
        return "./"; // without /proc the working directory is the best guess left
    std::string directory = executable.parent_path().string();
    if (directory.empty() || directory.back() != '/')
        directory += '/';
    return directory;
}

} // namespace tarnbeck

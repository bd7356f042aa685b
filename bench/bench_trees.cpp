#include "bench_trees.h"

#include "synthetic_tree.h"

#include <filesystem>
#include <iostream>
#include <system_error>

namespace tarnbeck {

namespace fs = std::filesystem;

std::string EnsureBenchTree(const std::string &directory, std::uint32_t users) {
    fs::create_directories(directory);
    const fs::path path = fs::path(directory) / ("bench-" + std::to_string(users) + "-seed" +
                                                 std::to_string(kDefaultSeed) + ".db");
    if (fs::exists(path)) {
        std::cout << "Reusing " << path.string() << '\n';
        return path.string();
    }
    const std::string partial = path.string() + ".partial";
    std::error_code ignored;
    for (const char *suffix : {"", "-wal", "-shm", "-journal"})
        fs::remove(partial + suffix, ignored); // left over from an interrupted run
    GenerateSummary summary = GenerateTree(partial, users, kDefaultSeed);
    fs::rename(partial, path);
    std::cout << "Generated " << path.string() << ": " << summary.objects << " objects, "
              << summary.values << " values in " << summary.seconds << " s\n";
    return path.string();
}

} // namespace tarnbeck

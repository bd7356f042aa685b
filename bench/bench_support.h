#pragma once

// What every benchmark program needs: failing loudly on a status, and a clock.

#include "platform/dsclient/status.h"

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <stdexcept>
#include <string>

namespace tarnbeck {

inline void Check(dsclient::Status status, const std::string &what) {
    if (status != dsclient::status::Ok)
        throw std::runtime_error(what + ": status " + std::to_string(status) + " (" +
                                 dsclient::StatusMeaning(status) + ")");
}

// The tree at `path`, built by `build` when it is not there yet. It is built under another name
// and renamed when complete, so an interrupted run never leaves half a tree for the next.
inline std::string EnsureTree(const std::string &path, int users,
                              const std::function<void(const std::string &path)> &build) {
    if (std::filesystem::exists(path))
        return path;
    std::filesystem::create_directories(std::filesystem::path(path).parent_path());
    const std::string building = path + ".building";
    std::filesystem::remove(building);
    std::printf("building the tree (%d users) in %s ...\n", users, path.c_str());
    std::fflush(stdout);
    build(building);
    std::filesystem::rename(building, path);
    return path;
}

inline double Milliseconds(const std::function<void()> &work) {
    const auto started = std::chrono::steady_clock::now();
    work();
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - started)
        .count();
}

} // namespace tarnbeck

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

// Whether a case named `name` is chosen by `only`: empty, or comma-separated texts one of which
// the name holds.
inline bool Chosen(const std::string &name, const std::string &only) {
    if (only.empty())
        return true;
    for (std::size_t from = 0, comma = 0; comma != std::string::npos; from = comma + 1) {
        comma = only.find(',', from);
        if (name.find(only.substr(from, comma - from)) != std::string::npos)
            return true;
    }
    return false;
}

inline double Milliseconds(const std::function<void()> &work) {
    const auto started = std::chrono::steady_clock::now();
    work();
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - started)
        .count();
}

} // namespace tarnbeck

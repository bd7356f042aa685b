#pragma once

#include <cstdint>
#include <string>

namespace tarnbeck {

// The path of a generated tree of `users` users in `directory`, generating it first when it is
// not there yet. A tree is written under a temporary name and renamed when complete, so an
// interrupted run never leaves a half tree to be reused.
std::string EnsureBenchTree(const std::string &directory, std::uint32_t users);

} // namespace tarnbeck

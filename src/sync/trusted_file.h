#pragma once

// The configuration files that decide which server a run talks to, whether it may send a
// password in clear and how much the brake lets through: no one but the caller (or root) may
// be able to change them.

#include <optional>
#include <string>

namespace tarnbeck {

// Why the file cannot be trusted (naming it), or nullopt when it can or does not exist: a
// file others may write, one owned by another user than the caller or root, or no regular
// file. A link is judged by the file it leads to, which is what is read.
std::optional<std::string> UntrustedFileProblem(const std::string &path);

} // namespace tarnbeck

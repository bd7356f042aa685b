#pragma once

// A bound on waiting for directory servers for the whole process, beside each tree's
// TimeoutSeconds: a server that answers just often enough could otherwise hold a search open
// for ever. Unattended runs set it; the window never does.

#include <chrono>
#include <optional>

namespace dsclient {

using DeadlineClock = std::chrono::steady_clock;

// After `deadline` no answer is waited for: searches fail with a transport failure. None (the
// default) lifts the bound.
void SetAnswerDeadline(std::optional<DeadlineClock::time_point> deadline);

// How long the next wait for one answer may last: `timeout`, or what is left before the
// deadline when that is less (zero once it has passed).
std::chrono::microseconds AnswerWait(std::chrono::microseconds timeout);

} // namespace dsclient

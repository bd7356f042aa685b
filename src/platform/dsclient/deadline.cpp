#include "platform/dsclient/deadline.h"

#include <algorithm>

namespace dsclient {

namespace {

std::optional<DeadlineClock::time_point> &Deadline() {
    static std::optional<DeadlineClock::time_point> deadline;
    return deadline;
}

} // namespace

void SetAnswerDeadline(std::optional<DeadlineClock::time_point> deadline) {
    Deadline() = deadline;
}

std::chrono::microseconds AnswerWait(std::chrono::microseconds timeout) {
    if (!Deadline())
        return timeout;
    const auto left =
        std::chrono::duration_cast<std::chrono::microseconds>(*Deadline() - DeadlineClock::now());
    return std::clamp(left, std::chrono::microseconds::zero(), timeout);
}

} // namespace dsclient

#include "directory/request_support.h"

#include "directory/directory_error.h"

namespace tarnbeck {

dsclient::BufferPtr NewBuffer(std::size_t capacity) {
    dsclient::BufferPtr buffer;
    CheckStatus(dsclient::AllocBuffer(capacity, buffer));
    return buffer;
}

dsclient::BufferPtr NewBuffer(dsclient::ContextHandle context, std::size_t capacity,
                              std::uint32_t operation) {
    dsclient::BufferPtr buffer = NewBuffer(capacity);
    CheckStatus(dsclient::InitBuffer(context, operation, *buffer));
    return buffer;
}

void IterationGuard::close() {
    if (handle_ != dsclient::kNoIteration)
        dsclient::CloseIteration(context_, handle_, operation_);
    handle_ = dsclient::kNoIteration;
}

} // namespace tarnbeck

#include "directory/request_support.h"

#include "directory/directory_error.h"

#include <algorithm>

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

dsclient::BufferPtr NewChangesBuffer(dsclient::ContextHandle context, std::size_t carried) {
    return NewBuffer(context, std::max(carried, dsclient::kDefaultBufferSize),
                     dsclient::DSV_MODIFY_ENTRY);
}

void IterationGuard::close() {
    if (handle_ != dsclient::kNoIteration)
        dsclient::CloseIteration(context_, handle_, operation_);
    handle_ = dsclient::kNoIteration;
}

RequestGroup::RequestGroup(dsclient::ContextHandle context) : context_(context) {
    CheckStatus(dsclient::BeginRequestGroup(context_));
    open_ = true;
}

RequestGroup::~RequestGroup() {
    // Nothing to report on the way out: the writes are dropped either way.
    if (open_)
        dsclient::AbortRequestGroup(context_);
}

void RequestGroup::commit() {
    // A commit the tree refuses leaves the group open, so it is still dropped on the way out.
    CheckStatus(dsclient::CommitRequestGroup(context_));
    open_ = false;
}

RequestBatch::RequestBatch(dsclient::ContextHandle context) : context_(context) {
    CheckStatus(dsclient::BeginRequestBatch(context_));
    open_ = true;
}

RequestBatch::~RequestBatch() {
    if (open_)
        dsclient::EndRequestBatch(context_);
}

void RequestBatch::renew() {
    end();
    CheckStatus(dsclient::BeginRequestBatch(context_));
    open_ = true;
}

void RequestBatch::end() {
    open_ = false;
    CheckStatus(dsclient::EndRequestBatch(context_));
}

} // namespace tarnbeck

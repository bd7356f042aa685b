#pragma once

// What every directory routine needs around a request: buffers that are checked on the way in
// and freed on every way out, iterations that are closed when a loop is left early, and groups
// of writes that are dropped unless committed.

#include "platform/dsclient/client.h"

#include <cstddef>
#include <cstdint>

namespace tarnbeck {

// A buffer of `capacity` bytes; raises DirectoryError when it cannot be had.
dsclient::BufferPtr NewBuffer(std::size_t capacity);
// The same, initialised for `operation`.
dsclient::BufferPtr NewBuffer(dsclient::ContextHandle context, std::size_t capacity,
                              std::uint32_t operation);

// A modify request with room for `carried` bytes (see dsclient::ChangeSize and
// ChangeAndValueSize), and never less than the usual 4096: a long value or a long list goes out
// as one request, and only the attribute's own bounds can refuse it.
dsclient::BufferPtr NewChangesBuffer(dsclient::ContextHandle context, std::size_t carried);

// Owns an iteration handle: closes it with `operation` when it is still live on the way out
// (normal or not), so nothing leaks in the client.
class IterationGuard {
  public:
    IterationGuard(dsclient::ContextHandle context, std::uint32_t operation)
        : context_(context), operation_(operation) {}
    ~IterationGuard() { close(); }
    IterationGuard(const IterationGuard &) = delete;
    IterationGuard &operator=(const IterationGuard &) = delete;

    dsclient::IterationHandle &handle() { return handle_; }
    bool more() const { return handle_ != dsclient::kNoIteration; }
    // Releases a live handle now; the close status is of no interest to anyone.
    void close();

  private:
    dsclient::ContextHandle context_;
    std::uint32_t operation_;
    dsclient::IterationHandle handle_ = dsclient::kNoIteration;
};

// Groups the write requests made while it lives: a tree that can apply them together applies
// all of them at commit() and none when the group is left without it (by an error or
// otherwise); a tree that cannot applies each as it comes. Raises DirectoryError when the group
// cannot be begun or committed.
class RequestGroup {
  public:
    explicit RequestGroup(dsclient::ContextHandle context);
    ~RequestGroup();
    RequestGroup(const RequestGroup &) = delete;
    RequestGroup &operator=(const RequestGroup &) = delete;

    void commit();

  private:
    dsclient::ContextHandle context_;
    bool open_ = false;
};

// A batch of request groups on the context's tree (see dsclient::BeginRequestBatch), begun on
// construction. renew() applies the groups so far and begins the next batch; end() applies them
// for good. Both raise DirectoryError when the tree fails to apply them. Left without end() (by
// an error), the batch is applied quietly, so the groups completed before the error are kept.
class RequestBatch {
  public:
    explicit RequestBatch(dsclient::ContextHandle context);
    ~RequestBatch();
    RequestBatch(const RequestBatch &) = delete;
    RequestBatch &operator=(const RequestBatch &) = delete;

    void renew();
    void end();

  private:
    dsclient::ContextHandle context_;
    bool open_ = false;
};

} // namespace tarnbeck

// Filter handles: the expression itself is built by Filter::Add.

#include "platform/dsclient/buffer.h"
#include "platform/dsclient/client/client_state.h"

namespace dsclient {

void FilterDeleter::operator()(Filter *filter) const {
    delete filter;
}

Status AllocFilter(FilterPtr &filter) {
    filter.reset(new Filter());
    return status::Ok;
}

Status AddFilterToken(Filter &filter, std::uint32_t token, std::string_view value,
                      std::uint32_t syntax) {
    return filter.Add(token, value, syntax);
}

Status PutFilter(ContextHandle context, Buffer &buffer, FilterPtr &filter) {
    // The buffer takes the filter on every path, so the caller never frees it twice.
    FilterPtr taken = std::move(filter);
    ContextState *state = nullptr;
    if (const Status s = FindContext(context, state); s != status::Ok)
        return s;
    if (!taken)
        return status::InvalidRequest;
    if (!buffer.initialised() || buffer.operation() != DSV_SEARCH_FILTER)
        return status::InvalidRequest;
    if (!taken->complete())
        return status::InvalidRequest;
    std::size_t bytes = 0;
    for (const auto &token : taken->tokens())
        bytes += sizeof(token.token) + NameCost(token.value);
    if (const Status s = buffer.Charge(bytes); s != status::Ok)
        return s;
    buffer.filter = std::move(taken);
    return status::Ok;
}

void FreeFilter(FilterPtr &filter) {
    filter.reset();
}

} // namespace dsclient

#include "platform/dsclient/client/client_state.h"

#include "platform/dsclient/dotted_names.h"

namespace dsclient {


ClientState &State() {
    static ClientState state;
    return state;
}

const TreeConfig *FindTree(std::string_view name) {
    for (const auto &tree : State().config.trees)
        if (EqualsIgnoreCase(tree.name, name))
            return &tree;
    return nullptr;
}

Status FindContext(ContextHandle handle, ContextState *&context) {
    auto &contexts = State().contexts;
    const auto found = contexts.find(handle);
    if (found == contexts.end())
        return status::BadContext;
    context = &found->second;
    return status::Ok;
}

Status FindBackend(const ContextState &context, Backend *&backend) {
    const auto &backends = State().backends;
    const auto found = backends.find(LowerAscii(context.tree));
    if (found == backends.end() || !found->second) {
        const auto &unavailable = State().unavailable;
        const auto left = unavailable.find(LowerAscii(context.tree));
        return left == unavailable.end() ? status::TransportFailure : left->second.status;
    }
    backend = found->second.get();
    return status::Ok;
}

Status FindContextAndBackend(ContextHandle handle, ContextState *&context, Backend *&backend) {
    if (const Status s = FindContext(handle, context); s != status::Ok)
        return s;
    return FindBackend(*context, backend);
}

std::string IdentityOn(std::string_view tree) {
    const auto &identities = State().identities;
    const auto found = identities.find(LowerAscii(tree));
    return found == identities.end() ? std::string() : found->second;
}

ConnectionHandle OpenConnection(const std::string &tree, const std::string &server) {
    auto &state = State();
    const ConnectionHandle handle = state.nextConnection++;
    state.connections[handle] = ConnectionState{tree, server};
    return handle;
}

Status RunIteration(ContextHandle context, std::uint32_t operation, IterationHandle &iteration,
                    Buffer &result, const std::function<Status(ContextState &, Pass &)> &start) {
    ContextState *state = nullptr;
    if (const Status s = FindContext(context, state); s != status::Ok)
        return s;
    Pass fresh;
    Pass *pass = &fresh;
    if (iteration != kNoIteration) {
        const auto found = state->iterations.find(iteration);
        if (found == state->iterations.end() || found->second.operation != operation)
            return status::InvalidHandle;
        pass = &found->second.pass;
    } else if (const Status s = start(*state, fresh); s != status::Ok) {
        return s;
    }
    bool more = false;
    const Status s = (*pass)(result, more);
    if (s != status::Ok || !more) {
        // Finished or failed: nothing stays behind for this request.
        if (iteration != kNoIteration)
            state->iterations.erase(iteration);
        iteration = kNoIteration;
        return s;
    }
    if (iteration == kNoIteration) {
        iteration = State().nextIteration++;
        state->iterations[iteration] = Iteration{operation, std::move(fresh)};
    }
    return status::Ok;
}

Pass UnitPass(std::size_t total,
              std::function<bool(std::size_t, std::vector<ResultRecord> &)> unit) {
    auto next = std::make_shared<std::size_t>(0);
    return [total, unit = std::move(unit), next](Buffer &result, bool &more) {
        result.BeginResult();
        std::uint32_t count = 0;
        std::vector<ResultRecord> records;
        while (*next < total) {
            records.clear();
            if (!unit(*next, records)) {
                ++*next;
                continue;
            }
            const std::size_t mark = result.recordCount();
            const std::size_t used = result.used();
            bool fits = true;
            for (auto &record : records)
                if (!(fits = result.Append(std::move(record))))
                    break;
            if (!fits) {
                result.Truncate(mark, used);
                if (count == 0)
                    return status::InsufficientBuffer;
                break;
            }
            ++count;
            ++*next;
        }
        result.SetCount(count);
        more = *next < total;
        return status::Ok;
    };
}

} // namespace dsclient

namespace dsclient {

const ClientConfig &ActiveClientConfig() { return State().config; }

} // namespace dsclient

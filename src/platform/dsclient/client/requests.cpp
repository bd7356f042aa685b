// Requests on single objects: read, object information, modify, add, remove, security
// equivalence, syntax look-up and grouped requests.

#include "platform/dsclient/client/client_state.h"

#include <memory>

namespace dsclient {

namespace {

// Hands out an object's attributes over as many passes as the buffer needs: each pass holds
// whole attributes, and an attribute too long for one pass continues in the next with its
// name repeated.
Pass ReadPass(std::vector<AttributeValues> attributes, bool withValues) {
    struct Cursor {
        std::vector<AttributeValues> attributes;
        std::size_t attribute = 0;
        std::size_t value = 0;
    };
    auto cursor = std::make_shared<Cursor>(Cursor{std::move(attributes)});
    return [cursor, withValues](Buffer &result, bool &more) {
        result.BeginResult();
        std::uint32_t count = 0;
        while (cursor->attribute < cursor->attributes.size()) {
            const auto &entry = cursor->attributes[cursor->attribute];
            const std::size_t mark = result.recordCount();
            const std::size_t used = result.used();
            ResultRecord name;
            name.kind = ResultRecord::Kind::AttributeName;
            name.name = entry.name;
            name.syntax = entry.syntax;
            if (!result.Append(std::move(name)))
                break;
            std::uint32_t values = 0;
            while (withValues && cursor->value < entry.values.size()) {
                ResultRecord value;
                value.kind = ResultRecord::Kind::Value;
                value.syntax = entry.syntax;
                value.value = entry.values[cursor->value];
                if (!result.Append(std::move(value)))
                    break;
                ++cursor->value;
                ++values;
            }
            if (withValues && values == 0 && !entry.values.empty()) {
                result.Truncate(mark, used); // a name without any value: leave it to next pass
                break;
            }
            result.RecordAt(mark).count = values;
            ++count;
            if (withValues && cursor->value < entry.values.size())
                break; // the buffer is full in the middle of this attribute
            ++cursor->attribute;
            cursor->value = 0;
        }
        if (count == 0 && cursor->attribute < cursor->attributes.size())
            return status::InsufficientBuffer;
        result.SetCount(count);
        more = cursor->attribute < cursor->attributes.size();
        return status::Ok;
    };
}

// Runs a write on the context's tree when the request is well formed and the context's
// identity may change the tree, in that order.
template <typename Write>
Status WriteRequest(ContextHandle context, bool wellFormed, Write write) {
    ContextState *state = nullptr;
    Backend *backend = nullptr;
    if (const Status s = FindContextAndBackend(context, state, backend); s != status::Ok)
        return s;
    if (!wellFormed)
        return status::InvalidRequest;
    if (const Status s = backend->CheckWriteAccess(IdentityOn(state->tree)); s != status::Ok)
        return s;
    return write(*backend);
}

// Runs a request of the group calls on the context's tree.
template <typename Call> Status GroupRequest(ContextHandle context, Call call) {
    ContextState *state = nullptr;
    Backend *backend = nullptr;
    if (const Status s = FindContextAndBackend(context, state, backend); s != status::Ok)
        return s;
    return call(*backend);
}

} // namespace

Status Read(ContextHandle context, std::string_view objectName, std::uint32_t infoType,
            bool allAttributes, const Buffer *attributeNames, IterationHandle &iteration,
            Buffer &result) {
    return RunIteration(
        context, DSV_READ, iteration, result, [&](ContextState &state, Pass &pass) -> Status {
            Backend *backend = nullptr;
            if (const Status s = FindBackend(state, backend); s != status::Ok)
                return s;
            if (infoType > DS_ATTRIBUTE_VALUES)
                return status::InvalidRequest;
            const std::vector<std::string> none;
            const std::vector<std::string> *names = nullptr;
            if (!allAttributes)
                names = attributeNames ? &attributeNames->names : &none;
            std::vector<AttributeValues> attributes;
            if (const Status s = backend->ReadAttributes(
                    objectName, names, infoType == DS_ATTRIBUTE_VALUES, attributes);
                s != status::Ok)
                return s;
            if (names && !names->empty() && attributes.empty())
                return status::NoSuchAttribute;
            pass = ReadPass(std::move(attributes), infoType == DS_ATTRIBUTE_VALUES);
            return status::Ok;
        });
}

Status ReadObjectInfo(ContextHandle context, std::string_view objectName,
                      std::string &distinguishedName, ObjectInfo &info) {
    ContextState *state = nullptr;
    Backend *backend = nullptr;
    if (const Status s = FindContextAndBackend(context, state, backend); s != status::Ok)
        return s;
    return backend->Find(objectName, distinguishedName, info);
}

Status ModifyObject(ContextHandle context, std::string_view objectName, IterationHandle &iteration,
                    bool /*moreIterations*/, const Buffer &changes) {
    iteration = kNoIteration; // a modify is applied in one go
    const bool wellFormed = changes.initialised() && changes.operation() == DSV_MODIFY_ENTRY;
    return WriteRequest(context, wellFormed, [&](Backend &backend) {
        return backend.Modify(objectName, changes.changes);
    });
}

Status AddObject(ContextHandle context, std::string_view objectName, IterationHandle &iteration,
                 bool /*moreIterations*/, const Buffer &attributes) {
    iteration = kNoIteration;
    const bool wellFormed = attributes.initialised() && attributes.operation() == DSV_ADD_ENTRY;
    return WriteRequest(context, wellFormed, [&](Backend &backend) {
        return backend.AddObject(objectName, attributes.attributes);
    });
}

Status RemoveObject(ContextHandle context, std::string_view objectName) {
    return WriteRequest(context, true,
                        [&](Backend &backend) { return backend.RemoveObject(objectName); });
}

Status AddSecurityEquivalence(ContextHandle context, std::string_view equalFrom,
                              std::string_view equalTo) {
    return WriteRequest(context, true, [&](Backend &backend) {
        return backend.AddEquivalence(equalFrom, equalTo);
    });
}

Status RemoveSecurityEquivalence(ContextHandle context, std::string_view equalFrom,
                                 std::string_view equalTo) {
    return WriteRequest(context, true, [&](Backend &backend) {
        return backend.RemoveEquivalence(equalFrom, equalTo);
    });
}

Status GetSyntaxId(ContextHandle context, std::string_view attributeName, std::uint32_t &syntax) {
    ContextState *state = nullptr;
    Backend *backend = nullptr;
    if (const Status s = FindContextAndBackend(context, state, backend); s != status::Ok)
        return s;
    return backend->AttributeSyntax(attributeName, syntax);
}

Status ClassAllowsAttribute(ContextHandle context, std::string_view className,
                            std::string_view attributeName, bool &allowed) {
    allowed = false;
    ContextState *state = nullptr;
    Backend *backend = nullptr;
    if (const Status s = FindContextAndBackend(context, state, backend); s != status::Ok)
        return s;
    return backend->ClassAllows(className, attributeName, allowed);
}

Status BeginRequestGroup(ContextHandle context) {
    return GroupRequest(context, [](Backend &backend) { return backend.BeginGroup(); });
}

Status CommitRequestGroup(ContextHandle context) {
    return GroupRequest(context, [](Backend &backend) { return backend.CommitGroup(); });
}

Status AbortRequestGroup(ContextHandle context) {
    return GroupRequest(context, [](Backend &backend) { return backend.RollbackGroup(); });
}

Status BeginRequestBatch(ContextHandle context) {
    return GroupRequest(context, [](Backend &backend) { return backend.BeginBatch(); });
}

Status EndRequestBatch(ContextHandle context) {
    return GroupRequest(context, [](Backend &backend) { return backend.EndBatch(); });
}

bool WritesMembershipsInBulk(ContextHandle context) {
    ContextState *state = nullptr;
    Backend *backend = nullptr;
    return FindContextAndBackend(context, state, backend) == status::Ok &&
           backend->WritesMembershipsInBulk();
}

Status WriteGroupMemberships(ContextHandle context, std::string_view groupName,
                             const std::vector<MembershipWrite> &writes,
                             MembershipWriteObserver &observer) {
    return WriteRequest(context, true, [&](Backend &backend) {
        return backend.WriteMemberships(groupName, writes, observer);
    });
}

Status HalfWrittenMemberships(ContextHandle context, std::string_view groupName,
                              const std::vector<std::string> *members,
                              std::vector<std::string> &names) {
    return GroupRequest(context, [&](Backend &backend) {
        return backend.HalfWrittenMembers(groupName, members, names);
    });
}

} // namespace dsclient

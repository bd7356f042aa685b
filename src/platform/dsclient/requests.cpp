// Requests on single objects: read, object information, modify, add, remove, security
// equivalence and syntax look-up.

#include "platform/dsclient/client_state.h"

#include <memory>

namespace dsclient {

namespace {

using embedded::AttributeWithValues;
using embedded::ObjectRow;

// Hands out an object's attributes over as many passes as the buffer needs: each pass holds
// whole attributes, and an attribute too long for one pass continues in the next with its
// name repeated.
Pass ReadPass(std::vector<AttributeWithValues> attributes, bool withValues) {
    struct Cursor {
        std::vector<AttributeWithValues> attributes;
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
            name.name = entry.attribute->name;
            name.syntax = entry.attribute->syntax;
            if (!result.Append(std::move(name)))
                break;
            std::uint32_t values = 0;
            while (withValues && cursor->value < entry.values.size()) {
                ResultRecord value;
                value.kind = ResultRecord::Kind::Value;
                value.syntax = entry.attribute->syntax;
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

std::vector<embedded::Change> ChangesOf(const Buffer &buffer) {
    std::vector<embedded::Change> changes;
    changes.reserve(buffer.changes.size());
    for (const auto &change : buffer.changes)
        changes.push_back(embedded::Change{change.type, change.attribute, change.values});
    return changes;
}

} // namespace

Status Read(ContextHandle context, std::string_view objectName, std::uint32_t infoType,
            bool allAttributes, const Buffer *attributeNames, IterationHandle &iteration,
            Buffer &result) {
    return RunIteration(
        context, DSV_READ, iteration, result, [&](ContextState &state, Pass &pass) -> Status {
            embedded::Store *store = nullptr;
            if (const Status s = FindStore(state, store); s != status::Ok)
                return s;
            if (infoType > DS_ATTRIBUTE_VALUES)
                return status::InvalidRequest;
            ObjectRow row;
            if (const Status s = store->Find(objectName, row); s != status::Ok)
                return s;
            const std::vector<std::string> none;
            const std::vector<std::string> *names = nullptr;
            if (!allAttributes)
                names = attributeNames ? &attributeNames->names : &none;
            std::vector<AttributeWithValues> attributes;
            if (const Status s =
                    store->ReadAttributes(row, names, infoType == DS_ATTRIBUTE_VALUES, attributes);
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
    embedded::Store *store = nullptr;
    if (const Status s = FindContextAndStore(context, state, store); s != status::Ok)
        return s;
    ObjectRow row;
    if (const Status s = store->Find(objectName, row); s != status::Ok)
        return s;
    distinguishedName = row.isRoot() ? "[Root]" : row.name;
    info.entryFlags = row.flags;
    info.subordinateCount = store->SubordinateCount(row);
    info.modificationTime = row.modificationTime;
    info.baseClass = row.baseClass;
    return status::Ok;
}

Status ModifyObject(ContextHandle context, std::string_view objectName, IterationHandle &iteration,
                    bool /*moreIterations*/, const Buffer &changes) {
    iteration = kNoIteration; // a modify is applied in one go
    ContextState *state = nullptr;
    embedded::Store *store = nullptr;
    if (const Status s = FindContextAndStore(context, state, store); s != status::Ok)
        return s;
    if (!changes.initialised() || changes.operation() != DSV_MODIFY_ENTRY)
        return status::InvalidRequest;
    if (const Status s = CheckWriteAccess(*state, *store); s != status::Ok)
        return s;
    return store->Modify(objectName, ChangesOf(changes));
}

Status AddObject(ContextHandle context, std::string_view objectName, IterationHandle &iteration,
                 bool /*moreIterations*/, const Buffer &attributes) {
    iteration = kNoIteration;
    ContextState *state = nullptr;
    embedded::Store *store = nullptr;
    if (const Status s = FindContextAndStore(context, state, store); s != status::Ok)
        return s;
    if (!attributes.initialised() || attributes.operation() != DSV_ADD_ENTRY)
        return status::InvalidRequest;
    if (const Status s = CheckWriteAccess(*state, *store); s != status::Ok)
        return s;
    embedded::NamedValues values;
    for (const auto &attribute : attributes.attributes)
        for (const auto &value : attribute.values)
            values.emplace_back(attribute.attribute, value);
    return store->AddObject(objectName, values);
}

Status RemoveObject(ContextHandle context, std::string_view objectName) {
    embedded::Store *store = nullptr;
    if (const Status s = FindWritableStore(context, store); s != status::Ok)
        return s;
    return store->RemoveObject(objectName);
}

Status AddSecurityEquivalence(ContextHandle context, std::string_view equalFrom,
                              std::string_view equalTo) {
    embedded::Store *store = nullptr;
    if (const Status s = FindWritableStore(context, store); s != status::Ok)
        return s;
    return store->AddEquivalence(equalFrom, equalTo);
}

Status RemoveSecurityEquivalence(ContextHandle context, std::string_view equalFrom,
                                 std::string_view equalTo) {
    embedded::Store *store = nullptr;
    if (const Status s = FindWritableStore(context, store); s != status::Ok)
        return s;
    return store->RemoveEquivalence(equalFrom, equalTo);
}

Status GetSyntaxId(ContextHandle context, std::string_view attributeName, std::uint32_t &syntax) {
    ContextState *state = nullptr;
    embedded::Store *store = nullptr;
    if (const Status s = FindContextAndStore(context, state, store); s != status::Ok)
        return s;
    const embedded::AttributeDef *attribute = store->schema().FindAttribute(attributeName);
    if (!attribute)
        return status::NoSuchAttribute;
    syntax = attribute->syntax;
    return status::Ok;
}

} // namespace dsclient

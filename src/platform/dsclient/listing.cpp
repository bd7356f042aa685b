// Iterating requests over many objects or definitions: listings, containable classes,
// search and attribute definitions, and the closing of their iterations.

#include "platform/dsclient/client_state.h"
#include "platform/dsclient/embedded/names.h"

#include <memory>

namespace dsclient {

namespace {

using embedded::ObjectRow;

ResultRecord ObjectRecord(embedded::Store &store, const ObjectRow &row, std::string name) {
    ResultRecord record;
    record.kind = ResultRecord::Kind::ObjectName;
    record.name = std::move(name);
    record.info.entryFlags = row.flags;
    record.info.subordinateCount = store.SubordinateCount(row);
    record.info.modificationTime = row.modificationTime;
    record.info.baseClass = row.baseClass;
    return record;
}

Status ListChildren(ContextHandle context, std::string_view parentName, bool containersOnly,
                    IterationHandle &iteration, Buffer &result) {
    return RunIteration(
        context, DSV_LIST, iteration, result, [&](ContextState &state, Pass &pass) -> Status {
            embedded::Store *store = nullptr;
            if (const Status s = FindStore(state, store); s != status::Ok)
                return s;
            ObjectRow parent;
            if (const Status s = store->Find(parentName, parent); s != status::Ok)
                return s;
            auto children = std::make_shared<std::vector<ObjectRow>>();
            if (const Status s = store->ListChildren(parent, containersOnly, *children);
                s != status::Ok)
                return s;
            pass = UnitPass(children->size(), [store, children](std::size_t i, auto &records) {
                const ObjectRow &row = (*children)[i];
                records.push_back(ObjectRecord(*store, row, embedded::EscapeComponent(row.rdn)));
                return true;
            });
            return status::Ok;
        });
}

ResultRecord AttributeNameRecord(const std::string &name, std::uint32_t syntax,
                                 std::uint32_t values) {
    ResultRecord record;
    record.kind = ResultRecord::Kind::AttributeName;
    record.name = name;
    record.syntax = syntax;
    record.count = values;
    return record;
}

} // namespace

Status List(ContextHandle context, std::string_view parentName, IterationHandle &iteration,
            Buffer &result) {
    return ListChildren(context, parentName, false, iteration, result);
}

Status ListContainers(ContextHandle context, std::string_view parentName,
                      IterationHandle &iteration, Buffer &result) {
    return ListChildren(context, parentName, true, iteration, result);
}

Status ListContainableClasses(ContextHandle context, std::string_view parentName,
                              IterationHandle &iteration, Buffer &result) {
    return RunIteration(
        context, DSV_LIST_CONTAINABLE_CLASSES, iteration, result,
        [&](ContextState &state, Pass &pass) -> Status {
            embedded::Store *store = nullptr;
            if (const Status s = FindStore(state, store); s != status::Ok)
                return s;
            ObjectRow parent;
            if (const Status s = store->Find(parentName, parent); s != status::Ok)
                return s;
            auto classes = std::make_shared<std::vector<std::string>>();
            if (const Status s = store->ContainableClasses(parent, *classes); s != status::Ok)
                return s;
            pass = UnitPass(classes->size(), [classes](std::size_t i, auto &records) {
                ResultRecord record;
                record.kind = ResultRecord::Kind::ClassItem;
                record.name = (*classes)[i];
                records.push_back(std::move(record));
                return true;
            });
            return status::Ok;
        });
}

Status Search(ContextHandle context, std::string_view baseObjectName, std::uint32_t scope,
              bool /*searchAliases: never dereferenced*/, const Buffer &filter,
              std::uint32_t infoType, bool allAttributes, const Buffer *attributeNames,
              IterationHandle &iteration, std::int32_t countObjectsToSearch,
              std::int32_t &countObjectsSearched, Buffer &result) {
    countObjectsSearched = 0;
    const Status status = RunIteration(
        context, DSV_SEARCH, iteration, result, [&](ContextState &state, Pass &pass) -> Status {
            embedded::Store *store = nullptr;
            if (const Status s = FindStore(state, store); s != status::Ok)
                return s;
            if (!filter.initialised() || filter.operation() != DSV_SEARCH_FILTER ||
                !filter.filter || !filter.filter->complete() || !filter.filter->expression())
                return status::InvalidRequest;
            if (scope > DS_SEARCH_SUBTREE || infoType > DS_ATTRIBUTE_VALUES)
                return status::InvalidRequest;
            ObjectRow base;
            if (const Status s = store->Find(baseObjectName, base); s != status::Ok)
                return s;
            auto ids = std::make_shared<std::vector<std::int64_t>>();
            if (const Status s = store->Search(base, scope, *filter.filter->expression(), *ids);
                s != status::Ok)
                return s;
            if (countObjectsToSearch > 0 &&
                ids->size() > static_cast<std::size_t>(countObjectsToSearch))
                ids->resize(static_cast<std::size_t>(countObjectsToSearch));
            // Attributes are returned only when asked for: all, or those named.
            auto names = std::make_shared<std::vector<std::string>>();
            const bool wantAttributes =
                allAttributes || (attributeNames && !attributeNames->names.empty());
            if (!allAttributes && attributeNames)
                *names = attributeNames->names;
            const bool withValues = infoType == DS_ATTRIBUTE_VALUES;
            pass = UnitPass(ids->size(), [=](std::size_t i, auto &records) {
                ObjectRow row;
                if (store->FindById((*ids)[i], row) != status::Ok)
                    return false; // removed since the search ran
                records.push_back(ObjectRecord(*store, row, row.name));
                if (!wantAttributes)
                    return true;
                std::vector<embedded::AttributeWithValues> attributes;
                store->ReadAttributes(row, allAttributes ? nullptr : names.get(), withValues,
                                      attributes);
                records.front().count = static_cast<std::uint32_t>(attributes.size());
                for (const auto &entry : attributes) {
                    records.push_back(
                        AttributeNameRecord(entry.attribute->name, entry.attribute->syntax,
                                            static_cast<std::uint32_t>(entry.values.size())));
                    for (const auto &value : entry.values) {
                        ResultRecord record;
                        record.kind = ResultRecord::Kind::Value;
                        record.syntax = value.syntax;
                        record.value = value;
                        records.push_back(std::move(record));
                    }
                }
                return true;
            });
            return status::Ok;
        });
    if (status == status::Ok)
        countObjectsSearched = static_cast<std::int32_t>(result.RecordAt(0).count);
    return status;
}

Status ReadAttributeDefinitions(ContextHandle context, std::uint32_t infoType, bool allAttributes,
                                const Buffer *attributeNames, IterationHandle &iteration,
                                Buffer &result) {
    return RunIteration(
        context, DSV_READ_ATTR_DEF, iteration, result,
        [&](ContextState &state, Pass &pass) -> Status {
            embedded::Store *store = nullptr;
            if (const Status s = FindStore(state, store); s != status::Ok)
                return s;
            if (infoType > DS_ATTR_DEFS)
                return status::InvalidRequest;
            auto definitions = std::make_shared<std::vector<embedded::AttributeDef>>();
            if (allAttributes) {
                *definitions = store->schema().attributes();
            } else if (attributeNames) {
                for (const auto &name : attributeNames->names)
                    if (const auto *def = store->schema().FindAttribute(name))
                        definitions->push_back(*def);
                if (definitions->empty() && !attributeNames->names.empty())
                    return status::NoSuchAttribute;
            }
            const bool details = infoType == DS_ATTR_DEFS;
            pass =
                UnitPass(definitions->size(), [definitions, details](std::size_t i, auto &records) {
                    const auto &def = (*definitions)[i];
                    if (!details) {
                        records.push_back(AttributeNameRecord(def.name, def.syntax, 0));
                        return true;
                    }
                    ResultRecord record;
                    record.kind = ResultRecord::Kind::AttributeDefinition;
                    record.name = def.name;
                    record.definition.flags = def.flags;
                    record.definition.syntax = def.syntax;
                    record.definition.lowerBound = def.lowerBound;
                    record.definition.upperBound = def.upperBound;
                    records.push_back(std::move(record));
                    return true;
                });
            return status::Ok;
        });
}

Status CloseIteration(ContextHandle context, IterationHandle iteration,
                      std::uint32_t /*operation*/) {
    ContextState *state = nullptr;
    if (const Status s = FindContext(context, state); s != status::Ok)
        return s;
    if (iteration == kNoIteration)
        return status::Ok;
    // Callers name the verb loosely (a container listing is closed as a search), so the handle
    // alone identifies what to release.
    return state->iterations.erase(iteration) ? status::Ok : status::InvalidHandle;
}

std::size_t LiveIterationCount(ContextHandle context) {
    ContextState *state = nullptr;
    return FindContext(context, state) == status::Ok ? state->iterations.size() : 0;
}

} // namespace dsclient

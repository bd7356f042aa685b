// Iterating requests over many objects or definitions: listings, containable classes,
// search and attribute definitions, and the closing of their iterations.

#include "platform/dsclient/client/client_state.h"

#include <memory>

namespace dsclient {

namespace {

ResultRecord ObjectRecord(EntryInfo &&entry) {
    ResultRecord record;
    record.kind = ResultRecord::Kind::ObjectName;
    record.name = std::move(entry.name);
    record.info = std::move(entry.info);
    return record;
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

// One search entry as the records of a result buffer.
void SearchRecords(SearchEntry &&entry, bool withAttributes, std::vector<ResultRecord> &records) {
    records.push_back(ObjectRecord(std::move(entry.entry)));
    if (!withAttributes)
        return;
    records.front().count = static_cast<std::uint32_t>(entry.attributes.size());
    for (auto &attribute : entry.attributes) {
        records.push_back(AttributeNameRecord(attribute.name, attribute.syntax,
                                              static_cast<std::uint32_t>(attribute.values.size())));
        for (auto &value : attribute.values) {
            ResultRecord record;
            record.kind = ResultRecord::Kind::Value;
            record.syntax = value.syntax;
            record.value = std::move(value);
            records.push_back(std::move(record));
        }
    }
}

// Passes over a search cursor: an entry that does not fit waits for the next pass, so the
// cursor is never asked twice for the same object.
Pass CursorPass(std::shared_ptr<SearchCursor> cursor, bool withAttributes) {
    auto pending = std::make_shared<std::vector<ResultRecord>>();
    auto ended = std::make_shared<bool>(false);
    return [cursor = std::move(cursor), withAttributes, pending, ended](Buffer &result,
                                                                         bool &more) -> Status {
        result.BeginResult();
        std::uint32_t count = 0;
        while (true) {
            if (pending->empty()) {
                SearchEntry entry;
                bool got = false;
                if (const Status s = cursor->Next(entry, got); s != status::Ok)
                    return s;
                if (!got) {
                    *ended = true;
                    break;
                }
                SearchRecords(std::move(entry), withAttributes, *pending);
            }
            // Moved in whole when the entry fits, so nothing is copied.
            std::size_t cost = 0;
            for (const auto &record : *pending)
                cost += CostOf(record);
            if (!result.Fits(cost)) {
                if (count == 0)
                    return status::InsufficientBuffer;
                break;
            }
            for (auto &record : *pending)
                result.Append(std::move(record));
            pending->clear();
            ++count;
        }
        result.SetCount(count);
        more = !*ended;
        return status::Ok;
    };
}

// Passes over a listing's children: each is moved into the buffer once, or stays for the next
// pass when it does not fit.
Pass ChildrenPass(std::shared_ptr<std::vector<EntryInfo>> children) {
    auto next = std::make_shared<std::size_t>(0);
    return [children = std::move(children), next](Buffer &result, bool &more) -> Status {
        result.BeginResult();
        std::uint32_t count = 0;
        for (; *next < children->size(); ++*next, ++count) {
            EntryInfo &child = (*children)[*next];
            ResultRecord record = ObjectRecord(std::move(child));
            if (!result.Fits(CostOf(record))) {
                child = EntryInfo{std::move(record.name), std::move(record.info)};
                if (count == 0)
                    return status::InsufficientBuffer;
                break;
            }
            result.Append(std::move(record));
        }
        result.SetCount(count);
        more = *next < children->size();
        return status::Ok;
    };
}

Status ListChildren(ContextHandle context, std::string_view parentName, bool containersOnly,
                    IterationHandle &iteration, Buffer &result) {
    return RunIteration(
        context, DSV_LIST, iteration, result, [&](ContextState &state, Pass &pass) -> Status {
            Backend *backend = nullptr;
            if (const Status s = FindBackend(state, backend); s != status::Ok)
                return s;
            auto children = std::make_shared<std::vector<EntryInfo>>();
            if (const Status s = backend->ListChildren(parentName, containersOnly, *children);
                s != status::Ok)
                return s;
            pass = ChildrenPass(std::move(children));
            return status::Ok;
        });
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
            Backend *backend = nullptr;
            if (const Status s = FindBackend(state, backend); s != status::Ok)
                return s;
            auto classes = std::make_shared<std::vector<std::string>>();
            if (const Status s = backend->ContainableClasses(parentName, *classes);
                s != status::Ok)
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
            Backend *backend = nullptr;
            if (const Status s = FindBackend(state, backend); s != status::Ok)
                return s;
            if (!filter.initialised() || filter.operation() != DSV_SEARCH_FILTER ||
                !filter.filter || !filter.filter->complete() || !filter.filter->expression())
                return status::InvalidRequest;
            if (scope > DS_SEARCH_SUBTREE || infoType > DS_ATTRIBUTE_VALUES)
                return status::InvalidRequest;
            SearchRequest request;
            request.base = baseObjectName;
            request.scope = scope;
            request.filter = filter.filter->expression();
            // Attributes are returned only when asked for: all, or those named.
            request.allAttributes = allAttributes;
            if (!allAttributes && attributeNames)
                request.attributeNames = attributeNames->names;
            request.withValues = infoType == DS_ATTRIBUTE_VALUES;
            request.limit = countObjectsToSearch;
            std::unique_ptr<SearchCursor> cursor;
            if (const Status s = backend->Search(request, cursor); s != status::Ok)
                return s;
            const bool withAttributes = allAttributes || !request.attributeNames.empty();
            pass = CursorPass(std::move(cursor), withAttributes);
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
            Backend *backend = nullptr;
            if (const Status s = FindBackend(state, backend); s != status::Ok)
                return s;
            if (infoType > DS_ATTR_DEFS)
                return status::InvalidRequest;
            auto definitions = std::make_shared<std::vector<NamedDefinition>>();
            if (allAttributes || attributeNames) {
                if (const Status s = backend->AttributeDefinitions(
                        allAttributes ? nullptr : &attributeNames->names, *definitions);
                    s != status::Ok)
                    return s;
                if (!allAttributes && definitions->empty() && !attributeNames->names.empty())
                    return status::NoSuchAttribute;
            }
            const bool details = infoType == DS_ATTR_DEFS;
            pass =
                UnitPass(definitions->size(), [definitions, details](std::size_t i, auto &records) {
                    const auto &def = (*definitions)[i];
                    if (!details) {
                        records.push_back(
                            AttributeNameRecord(def.name, def.definition.syntax, 0));
                        return true;
                    }
                    ResultRecord record;
                    record.kind = ResultRecord::Kind::AttributeDefinition;
                    record.name = def.name;
                    record.definition = def.definition;
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

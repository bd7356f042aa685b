#include "platform/dsclient/embedded/embedded_backend.h"

#include "platform/dsclient/dotted_names.h"

namespace dsclient::embedded {

namespace {

ObjectInfo InfoOf(Store &store, const ObjectRow &row) {
    ObjectInfo info;
    info.entryFlags = row.flags;
    info.subordinateCount = store.SubordinateCount(row);
    info.modificationTime = row.modificationTime;
    info.baseClass = row.baseClass;
    return info;
}

void TakeAttributes(std::vector<AttributeWithValues> &&read, std::vector<AttributeValues> &out) {
    out.clear();
    out.reserve(read.size());
    for (auto &entry : read)
        out.push_back(AttributeValues{entry.attribute->name, entry.attribute->syntax,
                                      std::move(entry.values)});
}

// Hands out the objects a store search found; attributes, when asked for, are read as each
// object is handed out.
class StoreCursor : public SearchCursor {
  public:
    StoreCursor(Store &store, FoundObjects found, const SearchRequest &request)
        : store_(store), found_(std::move(found)), allAttributes_(request.allAttributes),
          names_(request.attributeNames), withValues_(request.withValues) {}

    Status Next(SearchEntry &entry, bool &more) override {
        more = next_ < found_.size();
        if (!more)
            return status::Ok;
        const FoundObject &hit = found_[next_++];
        entry.entry.name.assign(found_.NameOf(hit));
        entry.entry.info.entryFlags = hit.flags;
        entry.entry.info.subordinateCount = hit.subordinateCount;
        entry.entry.info.modificationTime = hit.modificationTime;
        entry.entry.info.baseClass = *hit.baseClass;
        entry.attributes.clear();
        if (!allAttributes_ && names_.empty())
            return status::Ok;
        ObjectRow row;
        row.id = hit.id;
        std::vector<AttributeWithValues> read;
        if (const Status s = store_.Reading([&] {
                return store_.ReadAttributes(row, allAttributes_ ? nullptr : &names_, withValues_,
                                             read);
            });
            s != status::Ok)
            return s;
        TakeAttributes(std::move(read), entry.attributes);
        return status::Ok;
    }

  private:
    Store &store_;
    FoundObjects found_;
    std::size_t next_ = 0;
    bool allAttributes_;
    std::vector<std::string> names_;
    bool withValues_;
};

} // namespace

Status EmbeddedBackend::Login(std::string_view name, std::string_view password,
                              std::string &canonical) {
    return store_->VerifyPassword(name, password, canonical);
}

Status EmbeddedBackend::CheckWriteAccess(std::string_view identity) {
    if (store_->readOnly())
        return status::StoreReadOnly;
    return store_->IsSupervisor(identity) ? status::Ok : status::NoAccess;
}

Status EmbeddedBackend::Find(std::string_view name, std::string &canonical, ObjectInfo &info) {
    return store_->Reading([&] {
        ObjectRow row;
        if (const Status s = store_->Find(name, row); s != status::Ok)
            return s;
        canonical = row.isRoot() ? "[Root]" : row.name;
        info = InfoOf(*store_, row);
        return status::Ok;
    });
}

Status EmbeddedBackend::ReadAttributes(std::string_view name,
                                       const std::vector<std::string> *names, bool withValues,
                                       std::vector<AttributeValues> &out) {
    return store_->Reading([&] {
        ObjectRow row;
        if (const Status s = store_->Find(name, row); s != status::Ok)
            return s;
        std::vector<AttributeWithValues> read;
        if (const Status s = store_->ReadAttributes(row, names, withValues, read); s != status::Ok)
            return s;
        TakeAttributes(std::move(read), out);
        return status::Ok;
    });
}

Status EmbeddedBackend::Modify(std::string_view name, const std::vector<RequestChange> &changes) {
    std::vector<Change> converted;
    converted.reserve(changes.size());
    for (const auto &change : changes)
        converted.push_back(Change{change.type, change.attribute, change.values});
    return store_->Modify(name, converted);
}

Status EmbeddedBackend::AddObject(std::string_view name,
                                  const std::vector<RequestAttribute> &attributes) {
    NamedValues values;
    for (const auto &attribute : attributes)
        for (const auto &value : attribute.values)
            values.emplace_back(attribute.attribute, value);
    return store_->AddObject(name, values);
}

Status EmbeddedBackend::RemoveObject(std::string_view name) {
    return store_->RemoveObject(name);
}

Status EmbeddedBackend::AddEquivalence(std::string_view from, std::string_view to) {
    return store_->AddEquivalence(from, to);
}

Status EmbeddedBackend::RemoveEquivalence(std::string_view from, std::string_view to) {
    return store_->RemoveEquivalence(from, to);
}

Status EmbeddedBackend::ListChildren(std::string_view parent, bool containersOnly,
                                     std::vector<EntryInfo> &children) {
    children.clear();
    return store_->Reading([&] {
        ObjectRow parentRow;
        if (const Status s = store_->Find(parent, parentRow); s != status::Ok)
            return s;
        std::vector<ObjectRow> rows;
        if (const Status s = store_->ListChildren(parentRow, containersOnly, rows); s != status::Ok)
            return s;
        children.reserve(rows.size());
        for (const auto &row : rows)
            children.push_back(EntryInfo{EscapeComponent(row.rdn), InfoOf(*store_, row)});
        return status::Ok;
    });
}

Status EmbeddedBackend::ContainableClasses(std::string_view parent,
                                           std::vector<std::string> &classes) {
    ObjectRow parentRow;
    if (const Status s = store_->Find(parent, parentRow); s != status::Ok)
        return s;
    return store_->ContainableClasses(parentRow, classes);
}

Status EmbeddedBackend::Search(const SearchRequest &request,
                               std::unique_ptr<SearchCursor> &cursor) {
    FoundObjects found;
    if (const Status s = store_->Reading([&] {
            ObjectRow base;
            if (const Status s = store_->Find(request.base, base); s != status::Ok)
                return s;
            return store_->Search(base, request.scope, *request.filter,
                                  request.limit > 0 ? static_cast<std::size_t>(request.limit) : 0,
                                  found);
        });
        s != status::Ok)
        return s;
    cursor = std::make_unique<StoreCursor>(*store_, std::move(found), request);
    return status::Ok;
}

Status EmbeddedBackend::AttributeSyntax(std::string_view attribute, std::uint32_t &syntax) {
    const AttributeDef *def = store_->schema().FindAttribute(attribute);
    if (!def)
        return status::NoSuchAttribute;
    syntax = def->syntax;
    return status::Ok;
}

Status EmbeddedBackend::ClassAllows(std::string_view className, std::string_view attribute,
                                    bool &allowed) {
    const AttributeDef *def = store_->schema().FindAttribute(attribute);
    if (!store_->schema().FindClass(className))
        return status::NoSuchClass;
    allowed = def && store_->ClassAllows(className, *def);
    return status::Ok;
}

Status EmbeddedBackend::AttributeDefinitions(const std::vector<std::string> *names,
                                             std::vector<NamedDefinition> &out) {
    const auto add = [&out](const AttributeDef &def) {
        NamedDefinition named;
        named.name = def.name;
        named.definition.flags = def.flags;
        named.definition.syntax = def.syntax;
        named.definition.lowerBound = def.lowerBound;
        named.definition.upperBound = def.upperBound;
        out.push_back(std::move(named));
    };
    out.clear();
    if (!names) {
        for (const auto &def : store_->schema().attributes())
            add(def);
        return status::Ok;
    }
    for (const auto &name : *names)
        if (const AttributeDef *def = store_->schema().FindAttribute(name))
            add(*def);
    return status::Ok;
}

Status EmbeddedBackend::BeginGroup() {
    return store_->Begin();
}

Status EmbeddedBackend::CommitGroup() {
    return store_->Commit();
}

Status EmbeddedBackend::RollbackGroup() {
    return store_->Rollback();
}

Status EmbeddedBackend::BeginBatch() {
    return store_->BeginBatch();
}

Status EmbeddedBackend::EndBatch() {
    return store_->EndBatch();
}

Status EmbeddedBackend::HalfWrittenMembers(std::string_view group, const std::vector<std::string> *,
                                           std::vector<std::string> &names) {
    // The store reads "Member" through its index as cheaply as the caller's copy.
    return store_->Reading([&] { return store_->HalfWrittenMembers(group, names); });
}

} // namespace dsclient::embedded

#include "platform/dsclient/client.h"
#include "platform/dsclient/embedded/names.h"
#include "platform/dsclient/embedded/store.h"
#include "platform/dsclient/embedded/value_codec.h"

#include <algorithm>

namespace dsclient::embedded {

namespace {

struct NeededAttribute {
    std::int64_t id = 0;
    std::uint32_t syntax = 0;
};

// An object as the filter evaluator sees it: its values of the attributes the filter reads,
// rebuilt from the value index that arrives with the object's row.
class FetchedObject : public ObjectView {
  public:
    FetchedObject(const Schema &schema, const std::vector<NeededAttribute> &needed)
        : schema_(schema), needed_(needed), values_(needed.size()) {}

    void Start(std::string_view rdn, std::string_view baseClass) {
        rdn_.assign(rdn);
        baseClass_.assign(baseClass);
        for (auto &values : values_)
            values.clear();
    }
    void Add(std::int64_t attributeId, std::string_view key) {
        for (std::size_t i = 0; i < needed_.size(); ++i)
            if (needed_[i].id == attributeId)
                values_[i].push_back(ComparableValue(needed_[i].syntax, key));
    }

    std::string leafName() const override { return rdn_; }
    std::string baseClass() const override { return baseClass_; }
    std::vector<AttrValue> values(std::string_view attribute) const override {
        if (const AttributeDef *def = schema_.FindAttribute(attribute))
            for (std::size_t i = 0; i < needed_.size(); ++i)
                if (needed_[i].id == def->id)
                    return values_[i];
        return {};
    }

  private:
    const Schema &schema_;
    const std::vector<NeededAttribute> &needed_;
    std::vector<std::vector<AttrValue>> values_;
    std::string rdn_, baseClass_;
};

// The attributes whose values the filter reads, leaving out the comparison `known` to hold.
void CollectAttributes(const FilterNode &node, const FilterNode *known, const Schema &schema,
                       std::vector<NeededAttribute> &needed) {
    if (&node == known)
        return;
    if (node.kind == FilterNode::Kind::Compare || node.kind == FilterNode::Kind::Present)
        if (const AttributeDef *def = schema.FindAttribute(node.attribute))
            if (std::none_of(needed.begin(), needed.end(),
                             [&](const NeededAttribute &n) { return n.id == def->id; }))
                needed.push_back({def->id, def->syntax});
    for (const auto &child : node.children)
        CollectAttributes(*child, known, schema, needed);
}

// Matches, for candidates already known to satisfy `known` (the top-level comparison or a member
// of the top-level and that found them).
bool MatchesBeside(const FilterNode &filter, const FilterNode *known, const ObjectView &object) {
    if (&filter == known)
        return true;
    if (filter.kind != FilterNode::Kind::And || !known)
        return Matches(filter, object);
    for (const auto &child : filter.children)
        if (child.get() != known && !Matches(*child, object))
            return false;
    return true;
}

// The statement that hands out the candidates, each with the index entries of the needed
// attributes' values on consecutive rows: ?1 base id, ?2 and ?3 the base's key range, ?4 and ?5
// the starting attribute and key, ?10... the needed attributes.
std::string CandidateQuery(std::uint32_t scope, bool fromRoot, bool fromIndex,
                           std::size_t neededCount) {
    std::string sql = "SELECT o.id, o.name, o.rdn, o.path_key, o.base_class, o.flags, o.modified";
    sql += neededCount ? ", v.attr_id, v.eq" : ", NULL, NULL";
    // From the index, the value entry leads and each object follows its own entry; SQLite keeps
    // the order of a cross join, so an object's rows stay together.
    sql += fromIndex ? " FROM vals p CROSS JOIN objects o" : " FROM objects o";
    if (neededCount) {
        sql += " LEFT JOIN vals v ON v.object_id = o.id AND v.attr_id IN (";
        for (std::size_t i = 0; i < neededCount; ++i)
            sql += (i ? ", ?" : "?") + std::to_string(10 + i);
        sql += ")";
    }
    sql += " WHERE ";
    if (fromIndex)
        sql += "o.id = p.object_id AND p.attr_id = ?4 AND p.ikey = ?5 AND ";
    switch (scope) {
    case DS_SEARCH_ENTRY:
        sql += "o.id = ?1 AND o.path_key != ''";
        break;
    case DS_SEARCH_SUBORDINATES:
        sql += "o.parent_id = ?1";
        break;
    default: // the root's subtree is every object but the root, whatever its key's bytes
        sql += fromRoot ? "o.path_key > ''" : "o.path_key >= ?2 AND o.path_key < ?3";
        break;
    }
    if (!fromIndex)
        sql += " ORDER BY o.path_key";
    return sql;
}

// The schema's spelling of each base class a search meets, looked up once in a row.
class ClassNames {
  public:
    explicit ClassNames(const Schema &schema) : schema_(schema) {}
    const std::string &Of(std::string_view baseClass) const {
        if (!last_ || *last_ != baseClass) {
            const ClassDef *cls = schema_.FindClass(baseClass);
            last_ = cls ? &cls->name : &unknown_;
        }
        return *last_;
    }

  private:
    const Schema &schema_;
    mutable const std::string *last_ = nullptr;
    const std::string unknown_;
};

// Puts the objects in the order of their keys, each once.
void SortByKey(std::vector<FoundObject> &found, const std::vector<std::string> &keys) {
    std::vector<std::size_t> order(found.size());
    for (std::size_t i = 0; i < order.size(); ++i)
        order[i] = i;
    std::sort(order.begin(), order.end(),
              [&](std::size_t a, std::size_t b) { return keys[a] < keys[b]; });
    std::vector<FoundObject> sorted;
    sorted.reserve(found.size());
    for (std::size_t i : order)
        if (sorted.empty() || sorted.back().id != found[i].id)
            sorted.push_back(std::move(found[i]));
    found = std::move(sorted);
}

// Objects with the index key, counted up to `limit` (-1: all).
std::int64_t CountKeyed(Database &db, std::int64_t attributeId, const std::string &key,
                               std::int64_t limit) {
    auto count = db.Prepare(
        "SELECT count(*) FROM (SELECT 1 FROM vals WHERE attr_id = ? AND ikey = ? LIMIT ?)");
    count->Bind(1, attributeId);
    count->Bind(2, key);
    count->Bind(3, limit);
    return count->Step() ? count->Int(0) : 0;
}

// Objects in the scope, counted up to `limit`.
std::int64_t CountScope(Database &db, const ObjectRow &base, std::uint32_t scope,
                               std::int64_t limit) {
    if (scope == DS_SEARCH_SUBORDINATES) {
        auto count = db.Prepare(
            "SELECT count(*) FROM (SELECT 1 FROM objects WHERE parent_id = ? LIMIT ?)");
        count->Bind(1, base.id);
        count->Bind(2, limit);
        return count->Step() ? count->Int(0) : 0;
    }
    if (base.isRoot()) {
        auto count = db.Prepare("SELECT count(*) FROM (SELECT 1 FROM objects LIMIT ?)");
        count->Bind(1, limit);
        return count->Step() ? count->Int(0) : 0;
    }
    auto count = db.Prepare("SELECT count(*) FROM (SELECT 1 FROM objects "
                            "WHERE path_key >= ? AND path_key < ? LIMIT ?)");
    count->Bind(1, base.pathKey);
    count->Bind(2, SubtreeEnd(base.pathKey));
    count->Bind(3, limit);
    return count->Step() ? count->Int(0) : 0;
}

} // namespace

Status Store::Search(const ObjectRow &base, std::uint32_t scope, const FilterNode &filter,
                     std::size_t limit, std::vector<FoundObject> &found) {
    found.clear();
    if (scope > DS_SEARCH_SUBTREE)
        return status::InvalidRequest;
    return Reading([&]() -> Status {
        // Start from the most selective indexed equality: its objects need no look at that
        // comparison's values. Walk the scope instead when it holds fewer objects.
        const auto probes =
            FindIndexProbes(filter, [this](std::string_view name) -> std::optional<std::uint32_t> {
                const AttributeDef *def = schema_.FindAttribute(name);
                return def ? std::optional<std::uint32_t>(def->syntax) : std::nullopt;
            });
        const IndexProbe *start = nullptr;
        std::int64_t fewest = -1;
        if (scope != DS_SEARCH_ENTRY) {
            for (const auto &probe : probes) {
                const std::int64_t count =
                    CountKeyed(*db_, schema_.FindAttribute(probe.attribute)->id, probe.key, fewest);
                if (!start || count < fewest) {
                    start = &probe;
                    fewest = count;
                }
            }
            if (start && CountScope(*db_, base, scope, fewest) < fewest)
                start = nullptr;
        }
        const FilterNode *known = start ? start->node : nullptr;
        std::vector<NeededAttribute> needed;
        CollectAttributes(filter, known, schema_, needed);

        auto select =
            db_->PrepareComposed(CandidateQuery(scope, base.isRoot(), start, needed.size()));
        select->Bind(1, base.id);
        if (!base.isRoot()) {
            select->Bind(2, base.pathKey);
            select->Bind(3, SubtreeEnd(base.pathKey));
        }
        if (start) {
            select->Bind(4, schema_.FindAttribute(start->attribute)->id);
            select->Bind(5, start->key);
        }
        for (std::size_t i = 0; i < needed.size(); ++i)
            select->Bind(static_cast<int>(10 + i), needed[i].id);

        FetchedObject object(schema_, needed);
        FoundObject candidate;
        std::string candidateKey;
        std::vector<std::string> keys; // of the found objects, to put what the index found in order
        const ClassNames classNames(schema_);
        bool pending = false;
        const auto judge = [&] {
            if (!pending || !MatchesBeside(filter, known, object))
                return;
            found.push_back(candidate);
            if (start)
                keys.push_back(candidateKey);
        };
        while (select->Step()) {
            const std::int64_t id = select->Int(0);
            if (!pending || id != candidate.id) {
                judge();
                pending = true;
                candidate.id = id;
                candidate.name.assign(select->TextView(1));
                candidateKey.assign(select->TextView(3));
                candidate.baseClass = &classNames.Of(select->TextView(4));
                candidate.flags = static_cast<std::uint32_t>(select->Int(5));
                candidate.modificationTime = static_cast<std::uint32_t>(select->Int(6));
                object.Start(select->TextView(2), *candidate.baseClass);
            }
            if (!select->IsNull(7))
                object.Add(select->Int(7), select->BlobView(8));
        }
        if (select->failed())
            return select->status();
        judge();

        if (start)
            SortByKey(found, keys);
        if (limit > 0 && found.size() > limit)
            found.resize(limit);
        for (auto &hit : found)
            hit.subordinateCount = SubordinateCount(hit.id, *hit.baseClass);
        return status::Ok;
    });
}

} // namespace dsclient::embedded

#include "platform/dsclient/client.h"
#include "platform/dsclient/dotted_names.h"
#include "platform/dsclient/embedded/store.h"
#include "platform/dsclient/embedded/value_codec.h"

#include <algorithm>

namespace dsclient::embedded {

namespace {

struct NeededAttribute {
    std::int64_t id = 0;
    std::uint32_t syntax = 0;
};

// Comparisons every candidate is known to satisfy: they found it, or the statement checked them.
using KnownNodes = std::vector<const FilterNode *>;

bool IsKnown(const KnownNodes &known, const FilterNode *node) {
    return std::find(known.begin(), known.end(), node) != known.end();
}

// How a search finds its candidates.
struct Plan {
    const IndexProbe *probe = nullptr;   // by the objects holding a value with the probe's key
    const FilterNode *scanned = nullptr; // by the index entries of its attribute that satisfy it
    const AttributeDef *scannedAttribute = nullptr;
    std::vector<const IndexProbe *> checked; // further equalities the statement checks
    KnownNodes known;
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

// One value of one attribute, as a comparison on that attribute sees an object holding it.
class SingleValue : public ObjectView {
  public:
    explicit SingleValue(std::optional<AttrValue> value) : value_(std::move(value)) {}
    std::string leafName() const override { return {}; }
    std::string baseClass() const override { return {}; }
    std::vector<AttrValue> values(std::string_view) const override {
        return value_ ? std::vector<AttrValue>{*value_} : std::vector<AttrValue>{};
    }

  private:
    std::optional<AttrValue> value_;
};

// The members of the filter that every match satisfies: those of a top-level and, or the filter.
std::vector<const FilterNode *> TopMembers(const FilterNode &filter) {
    std::vector<const FilterNode *> members;
    if (filter.kind == FilterNode::Kind::And)
        for (const auto &child : filter.children)
            members.push_back(child.get());
    else
        members.push_back(&filter);
    return members;
}

// The attributes whose values the filter reads, leaving out the comparisons known to hold.
void CollectAttributes(const FilterNode &node, const KnownNodes &known, const Schema &schema,
                       std::vector<NeededAttribute> &needed) {
    if (IsKnown(known, &node))
        return;
    if (node.kind == FilterNode::Kind::Compare || node.kind == FilterNode::Kind::Present)
        if (const AttributeDef *def = schema.FindAttribute(node.attribute))
            if (std::none_of(needed.begin(), needed.end(),
                             [&](const NeededAttribute &n) { return n.id == def->id; }))
                needed.push_back({def->id, def->syntax});
    for (const auto &child : node.children)
        CollectAttributes(*child, known, schema, needed);
}

// Matches, for candidates known to satisfy the known members.
bool MatchesBeside(const FilterNode &filter, const KnownNodes &known, const ObjectView &object) {
    for (const FilterNode *member : TopMembers(filter))
        if (!IsKnown(known, member) && !Matches(*member, object))
            return false;
    return true;
}

// The statement that hands out the candidates, each with the index entries of the needed
// attributes' values on consecutive rows: ?1 base id, ?2 and ?3 the base's key range, ?4 the
// starting attribute, ?5 its key, ?6... the checked equalities, then the needed attributes.
std::string CandidateQuery(std::uint32_t scope, bool fromRoot, const Plan &plan,
                           std::size_t neededCount) {
    std::string sql = "SELECT o.id, o.name, o.rdn, o.path_key, o.base_class, o.flags, o.modified";
    sql += neededCount ? ", v.attr_id, v.eq" : ", NULL, NULL";
    // From a probe, the value entry leads and each object follows its own entry; SQLite keeps
    // the order of a cross join, so an object's rows stay together. The probe's entries come in
    // object order, so the objects are read in the order they are stored.
    sql += plan.probe ? " FROM vals p CROSS JOIN objects o" : " FROM objects o";
    int parameter = 6;
    std::string checks;
    for (std::size_t i = 0; i < plan.checked.size(); ++i, parameter += 2)
        checks += " AND EXISTS (SELECT 1 FROM vals x WHERE x.object_id = o.id AND x.attr_id = ?" +
                  std::to_string(parameter) + " AND x.eq = ?" + std::to_string(parameter + 1) + ")";
    if (neededCount) {
        sql += " LEFT JOIN vals v ON v.object_id = o.id AND v.attr_id IN (";
        for (std::size_t i = 0; i < neededCount; ++i)
            sql += (i ? ", ?" : "?") + std::to_string(parameter + static_cast<int>(i));
        sql += ")";
    }
    sql += " WHERE ";
    if (plan.probe) {
        sql += "p.attr_id = ?4 AND p.ikey = ?5 AND o.id = p.object_id AND ";
    } else if (plan.scanned) {
        // Scanned entries come in value order: their objects are looked up in id order, once
        // each, so a big tree is not read page by page at random.
        sql += "o.id IN (SELECT p.object_id FROM vals p WHERE p.attr_id = ?4 AND "
               "key_matches(p.ikey)) AND ";
    }
    // With a scanned index, the scope is only checked: its key range must not lead.
    const std::string pathKey = plan.scanned ? "+o.path_key" : "o.path_key";
    switch (scope) {
    case DS_SEARCH_ENTRY:
        sql += "o.id = ?1 AND o.path_key != ''";
        break;
    case DS_SEARCH_SUBORDINATES:
        sql += "o.parent_id = ?1";
        break;
    default: // the root's subtree is every object but the root, whatever its key's bytes
        sql += fromRoot ? pathKey + " > ''" : pathKey + " >= ?2 AND " + pathKey + " < ?3";
        break;
    }
    sql += checks;
    if (!plan.probe && !plan.scanned)
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

// The keys of the objects found, in one block: a search may find hundreds of thousands.
class FoundKeys {
  public:
    void Reserve(std::size_t count, std::size_t bytes) {
        spans_.reserve(count);
        text_.reserve(bytes);
    }
    void Add(std::string_view key) {
        spans_.emplace_back(text_.size(), key.size());
        text_ += key;
    }
    std::string_view operator[](std::size_t i) const {
        return std::string_view(text_).substr(spans_[i].first, spans_[i].second);
    }

  private:
    std::string text_;
    std::vector<std::pair<std::size_t, std::size_t>> spans_;
};

// Counts the rows of `count` (a statement ending in LIMIT ?) up to `limit` (-1: all).
std::int64_t CountUpTo(Statement &count, int limitParameter, std::int64_t limit) {
    count.Bind(limitParameter, limit);
    return count.Step() ? count.Int(0) : 0;
}

std::int64_t CountScope(Database &db, const ObjectRow &base, std::uint32_t scope,
                        std::int64_t limit) {
    if (scope == DS_SEARCH_ENTRY)
        return 1;
    if (scope == DS_SEARCH_SUBORDINATES) {
        auto count =
            db.Prepare("SELECT count(*) FROM (SELECT 1 FROM objects WHERE parent_id = ? LIMIT ?)");
        count->Bind(1, base.id);
        return CountUpTo(*count, 2, limit);
    }
    if (base.isRoot())
        return CountUpTo(*db.Prepare("SELECT count(*) FROM (SELECT 1 FROM objects LIMIT ?)"), 1,
                         limit);
    auto count = db.Prepare("SELECT count(*) FROM (SELECT 1 FROM objects "
                            "WHERE path_key >= ? AND path_key < ? LIMIT ?)");
    count->Bind(1, base.pathKey);
    count->Bind(2, SubtreeEnd(base.pathKey));
    return CountUpTo(*count, 3, limit);
}

} // namespace

void FoundObjects::Clear() {
    objects_.clear();
    names_.clear();
    order_.clear();
}

void FoundObjects::Add(FoundObject object, std::string_view name) {
    object.nameAt = names_.size();
    object.nameSize = static_cast<std::uint32_t>(name.size());
    names_ += name;
    order_.push_back(static_cast<std::uint32_t>(objects_.size()));
    objects_.push_back(object);
}

Status Store::Search(const ObjectRow &base, std::uint32_t scope, const FilterNode &filter,
                     std::size_t limit, FoundObjects &found) {
    found.Clear();
    if (scope > DS_SEARCH_SUBTREE)
        return status::InvalidRequest;
    return Reading([&]() -> Status {
        const auto probes =
            FindIndexProbes(filter, [this](std::string_view name) -> std::optional<std::uint32_t> {
                const AttributeDef *def = schema_.FindAttribute(name);
                return def ? std::optional<std::uint32_t>(def->syntax) : std::nullopt;
            });
        // Candidates from the most selective indexed equality when it holds fewer objects than
        // the scope; else from the index entries of an attribute every match must have, when
        // they are not many more than the scope's objects (only those that satisfy the
        // comparison cost further reads); else a walk through the scope. Every count stops
        // where it can no longer change the choice, so choosing costs less than searching.
        Plan plan;
        std::int64_t candidates = 0; // at most, when an index hands them out
        if (scope != DS_SEARCH_ENTRY) {
            std::int64_t fewest = -1;
            for (const auto &probe : probes) {
                auto count = db_->Prepare("SELECT count(*) FROM (SELECT 1 FROM vals "
                                          "WHERE attr_id = ? AND ikey = ? LIMIT ?)");
                count->Bind(1, schema_.FindAttribute(probe.attribute)->id);
                count->Bind(2, probe.key);
                if (const std::int64_t keyed = CountUpTo(*count, 3, fewest);
                    !plan.probe || keyed < fewest) {
                    plan.probe = &probe;
                    fewest = keyed;
                }
            }
            if (plan.probe && CountScope(*db_, base, scope, fewest) < fewest)
                plan.probe = nullptr;
            candidates = fewest;
        }
        if (!plan.probe && scope != DS_SEARCH_ENTRY) {
            std::int64_t fewest = -1;
            for (const FilterNode *member : TopMembers(filter)) {
                const AttributeDef *def = schema_.FindAttribute(member->attribute);
                if (!def || (member->kind != FilterNode::Kind::Compare &&
                             member->kind != FilterNode::Kind::Present))
                    continue;
                auto count = db_->Prepare(
                    "SELECT count(*) FROM (SELECT 1 FROM vals WHERE attr_id = ? LIMIT ?)");
                count->Bind(1, def->id);
                if (const std::int64_t entries = CountUpTo(*count, 2, fewest);
                    !plan.scanned || entries < fewest) {
                    plan.scanned = member;
                    plan.scannedAttribute = def;
                    fewest = entries;
                }
            }
            if (plan.scanned && CountScope(*db_, base, scope, fewest / 4 + 1) <= fewest / 4)
                plan.scanned = nullptr;
            candidates = fewest;
        }
        for (const auto &probe : probes)
            if (&probe != plan.probe)
                plan.checked.push_back(&probe);
        if (plan.probe)
            plan.known.push_back(plan.probe->node);
        if (plan.scanned)
            plan.known.push_back(plan.scanned);
        for (const IndexProbe *checked : plan.checked)
            plan.known.push_back(checked->node);
        std::vector<NeededAttribute> needed;
        CollectAttributes(filter, plan.known, schema_, needed);

        std::optional<Database::KeyTestScope> keyTest;
        if (plan.scanned)
            keyTest.emplace(*db_, [&plan](std::optional<std::string_view> key) {
                if (plan.scanned->kind == FilterNode::Kind::Present)
                    return true;
                return key &&
                       Matches(*plan.scanned,
                               SingleValue(ValueOfIndexKey(plan.scannedAttribute->syntax, *key)));
            });
        auto select =
            db_->PrepareComposed(CandidateQuery(scope, base.isRoot(), plan, needed.size()));
        select->Bind(1, base.id);
        if (!base.isRoot()) {
            select->Bind(2, base.pathKey);
            select->Bind(3, SubtreeEnd(base.pathKey));
        }
        if (plan.probe) {
            select->Bind(4, schema_.FindAttribute(plan.probe->attribute)->id);
            select->Bind(5, plan.probe->key);
        }
        if (plan.scanned)
            select->Bind(4, plan.scannedAttribute->id);
        int parameter = 6;
        for (const IndexProbe *checked : plan.checked) {
            select->Bind(parameter++, schema_.FindAttribute(checked->attribute)->id);
            select->BindBlob(parameter++, EqualityKey(checked->value));
        }
        for (const auto &attribute : needed)
            select->Bind(parameter++, attribute.id);

        FetchedObject object(schema_, needed);
        FoundObject candidate;
        std::string candidateName, candidateKey;
        FoundKeys keys; // to put what an index found in name order
        const bool fromIndex = plan.probe || plan.scanned;
        const ClassNames classNames(schema_);
        bool pending = false;
        const auto judge = [&] {
            if (!pending || !MatchesBeside(filter, plan.known, object))
                return;
            if (found.empty() && fromIndex && candidates > 0) {
                // Room for every candidate at once, names and keys taken as a little longer
                // than the first: a big result is then never copied while it grows, and room
                // it does not fill is never touched.
                const auto count = static_cast<std::size_t>(candidates);
                found.Reserve(count, count * (candidateName.size() * 5 / 4));
                keys.Reserve(count, count * (candidateKey.size() * 5 / 4));
            }
            found.Add(candidate, candidateName);
            if (fromIndex)
                keys.Add(candidateKey);
        };
        while (select->Step()) {
            const std::int64_t id = select->Int(0);
            if (!pending || id != candidate.id) {
                judge();
                pending = true;
                candidate.id = id;
                candidateName.assign(select->TextView(1));
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

        if (fromIndex)
            found.Order(keys);
        if (limit > 0)
            found.Truncate(limit);
        for (std::size_t i = 0; i < found.size(); ++i)
            found[i].subordinateCount = SubordinateCount(found[i].id, *found[i].baseClass);
        return status::Ok;
    });
}

} // namespace dsclient::embedded

#include "platform/dsclient/client.h"
#include "platform/dsclient/embedded/names.h"
#include "platform/dsclient/embedded/store.h"

namespace dsclient::embedded {

namespace {

// An object as the filter evaluator sees it; values are fetched only when asked for.
class StoredObject : public ObjectView {
  public:
    StoredObject(Store &store, const ObjectRow &row) : store_(store), row_(row) {}
    std::string leafName() const override { return row_.rdn; }
    std::string baseClass() const override { return row_.baseClass; }
    std::vector<AttrValue> values(std::string_view attribute) const override {
        const AttributeDef *def = store_.schema().FindAttribute(attribute);
        return def ? store_.Values(row_.id, *def) : std::vector<AttrValue>();
    }

  private:
    Store &store_;
    const ObjectRow &row_;
};

#define OBJECT_COLUMNS                                                                             \
    "o.id, coalesce(o.parent_id, 0), o.name, o.rdn, o.path_key, o.base_class, o.flags, "           \
    "o.modified"

// Scope walks: ?1 base id, ?2 and ?3 the base's subtree key range. The root is never a result.
constexpr const char *kWalk[] = {
    "SELECT " OBJECT_COLUMNS " FROM objects o WHERE o.id = ?1 AND o.path_key != ''",
    "SELECT " OBJECT_COLUMNS " FROM objects o WHERE o.parent_id = ?1 ORDER BY o.path_key",
    "SELECT " OBJECT_COLUMNS " FROM objects o WHERE o.path_key >= ?2 AND o.path_key < ?3 "
    "AND o.path_key != '' ORDER BY o.path_key",
};
// Candidates by an indexed value (?4 attribute id, ?5 key), intersected with the scope.
constexpr const char *kProbe[] = {
    "SELECT DISTINCT " OBJECT_COLUMNS " FROM vals v JOIN objects o ON o.id = v.object_id "
    "WHERE v.attr_id = ?4 AND v.ikey = ?5 AND o.id = ?1 AND o.path_key != ''",
    "SELECT DISTINCT " OBJECT_COLUMNS " FROM vals v JOIN objects o ON o.id = v.object_id "
    "WHERE v.attr_id = ?4 AND v.ikey = ?5 AND o.parent_id = ?1 ORDER BY o.path_key",
    "SELECT DISTINCT " OBJECT_COLUMNS " FROM vals v JOIN objects o ON o.id = v.object_id "
    "WHERE v.attr_id = ?4 AND v.ikey = ?5 AND o.path_key >= ?2 AND o.path_key < ?3 "
    "AND o.path_key != '' ORDER BY o.path_key",
};

} // namespace

Status Store::Search(const ObjectRow &base, std::uint32_t scope, const FilterNode &filter,
                     std::vector<std::int64_t> &ids) {
    ids.clear();
    if (scope > DS_SEARCH_SUBTREE)
        return status::InvalidRequest;
    const auto probe =
        FindIndexProbe(filter, [this](std::string_view name) -> std::optional<std::uint32_t> {
            const AttributeDef *def = schema_.FindAttribute(name);
            return def ? std::optional<std::uint32_t>(def->syntax) : std::nullopt;
        });
    const AttributeDef *probed = probe ? schema_.FindAttribute(probe->attribute) : nullptr;
    auto select = db_->Prepare(probed ? kProbe[scope] : kWalk[scope]);
    select->Bind(1, base.id);
    select->Bind(2, base.pathKey);
    select->Bind(3, SubtreeEnd(base.pathKey));
    if (probed) {
        select->Bind(4, probed->id);
        select->Bind(5, probe->key);
    }
    std::vector<ObjectRow> candidates;
    while (select->Step()) {
        ObjectRow row;
        ReadObjectRow(*select, row);
        candidates.push_back(std::move(row));
    }
    if (select->failed())
        return Database::StatusOf(select->error());
    // Evaluated after the walk: the value look-ups need statements of their own.
    for (const auto &row : candidates)
        if (Matches(filter, StoredObject(*this, row)))
            ids.push_back(row.id);
    return status::Ok;
}

} // namespace dsclient::embedded

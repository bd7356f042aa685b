#pragma once

// One directory tree kept in one SQLite file. The store checks what the directory checks
// (schema, containment, values) but not rights: the client asks IsSupervisor first.

#include "platform/dsclient/embedded/sqlite_db.h"
#include "platform/dsclient/filter.h"
#include "platform/dsclient/key_sort.h"
#include "platform/dsclient/schema.h"
#include "platform/dsclient/status.h"
#include "platform/dsclient/values.h"

#include <algorithm>
#include <cstdint>
#include <memory>
#include <ostream>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <utility>
#include <vector>

namespace dsclient::embedded {

struct ObjectRow {
    std::int64_t id = 0;
    std::int64_t parentId = 0;
    std::string name;    // leaf-first dotted name as created; empty for the root
    std::string rdn;     // unescaped leaf component
    std::string pathKey; // root-first key; empty for the root
    std::string baseClass;
    std::uint32_t flags = 0;
    std::uint32_t modificationTime = 0;
    bool isRoot() const { return pathKey.empty(); }
};

// An object a search found, with what its result entry reports. Kept small, its name in the
// result's block of names: a search may find hundreds of thousands.
struct FoundObject {
    std::int64_t id = 0;
    const std::string *baseClass = nullptr; // the schema's spelling
    std::size_t nameAt = 0;
    std::uint32_t nameSize = 0;
    std::uint32_t flags = 0;
    std::uint32_t modificationTime = 0;
    std::uint32_t subordinateCount = 0;
};

// What a search found: the objects as they were read, their names one after another in one
// block, and the order to hand them out in. Ordering moves positions, never the objects.
class FoundObjects {
  public:
    std::size_t size() const { return order_.size(); }
    bool empty() const { return order_.empty(); }
    // The i-th object in the order they are handed out.
    FoundObject &operator[](std::size_t i) { return objects_[order_[i]]; }
    const FoundObject &operator[](std::size_t i) const { return objects_[order_[i]]; }
    std::string_view NameOf(const FoundObject &object) const {
        return std::string_view(names_).substr(object.nameAt, object.nameSize);
    }

    void Clear();
    void Reserve(std::size_t count, std::size_t nameBytes) {
        objects_.reserve(count);
        order_.reserve(count);
        names_.reserve(nameBytes);
    }
    // Appends an object; until ordered, objects are handed out as added.
    void Add(FoundObject object, std::string_view name);
    // Orders by `keys`, one for each object in the order added. An object added twice must
    // have one key, and no other object that key: it then lies side by side with itself and is
    // kept once.
    template <typename Keys> void Order(const Keys &keys) {
        const std::vector<std::size_t> positions = OrderByTextKeys(
            objects_.size(), [&keys](std::size_t position) { return keys[position]; });
        order_.assign(positions.begin(), positions.end());
        order_.erase(std::unique(order_.begin(), order_.end(),
                                 [this](std::uint32_t a, std::uint32_t b) {
                                     return objects_[a].id == objects_[b].id;
                                 }),
                     order_.end());
    }
    // Keeps the first `count` in order.
    void Truncate(std::size_t count) {
        if (order_.size() > count)
            order_.resize(count);
    }

  private:
    std::vector<FoundObject> objects_;
    std::string names_;
    std::vector<std::uint32_t> order_;
};

struct AttributeWithValues {
    const AttributeDef *attribute = nullptr;
    std::vector<AttrValue> values;
};

struct Change {
    std::uint32_t type = 0;
    std::string attribute;
    std::vector<AttrValue> values;
};

// Fills `row` from a statement selecting id, parent id, name, rdn, path key, base class,
// flags and modification time, in that order.
void ReadObjectRow(const Statement &select, ObjectRow &row);

using NamedValues = std::vector<std::pair<std::string, AttrValue>>;

class Store {
  public:
    // Opens an existing store; never creates one. A store whose directory cannot be written is
    // opened for reading. On failure `problem` says what is wrong with the file, in a few words
    // that follow its name ("does not exist", "is damaged").
    static Status Open(const std::string &path, std::unique_ptr<Store> &store,
                       std::string &problem);
    static Status Open(const std::string &path, std::unique_ptr<Store> &store);
    // The sentence every program says about a store Open refused: "The store PATH is empty",
    // with " of tree NAME" after the path when the tree is known.
    static std::string ProblemText(const std::string &path, const std::string &problem,
                                   const std::string &treeName = {});
    // A new store with the standard schema and the tree root; EntryAlreadyExists if the file
    // is there.
    static Status Create(const std::string &path, const std::string &treeName);

    const Schema &schema() const { return schema_; }
    // Whether objects of the class (its super classes included) may hold the attribute; a class
    // the schema does not know allows anything.
    bool ClassAllows(std::string_view className, const AttributeDef &attribute) const;
    const std::string &treeName() const { return treeName_; }

    bool readOnly() const { return db_->readOnly(); }

    // Batches: the administration tool's loads, and grouped client requests. One transaction
    // that holds the write lock from Begin; batches do not nest.
    Status Begin();
    Status Commit();
    Status Rollback();
    // Batches of such batches, for the client's batched groups: see Database::BeginBatch.
    Status BeginBatch();
    Status EndBatch();
    // Runs `reads` as one read transaction (inside a batch: within it).
    template <typename Reads> Status Reading(Reads reads) {
        ReadTransaction transaction(*db_);
        if (transaction.status() != status::Ok)
            return transaction.status();
        return reads();
    }

    Status Find(std::string_view name, ObjectRow &row);
    // Find for the requests of a batch, which name the same objects again and again: while the
    // batch holds the write lock only its own requests can add or remove objects. The row's
    // modification time is not kept up to date.
    Status FindToWrite(std::string_view name, ObjectRow &row);
    std::uint32_t SubordinateCount(const ObjectRow &row);
    std::uint32_t SubordinateCount(std::int64_t id, std::string_view baseClass);
    // The attributes of an object with their values (without values when `withValues` is
    // off); all attributes when `names` is null. Attributes without values are left out.
    Status ReadAttributes(const ObjectRow &row, const std::vector<std::string> *names,
                          bool withValues, std::vector<AttributeWithValues> &out);
    std::vector<AttrValue> Values(std::int64_t objectId, const AttributeDef &attribute);

    Status Modify(std::string_view name, const std::vector<Change> &changes);
    // `values` must hold "Object Class": its first value is the base class.
    Status AddObject(std::string_view name, const NamedValues &values);
    Status RemoveObject(std::string_view name);
    Status ListChildren(const ObjectRow &parent, bool containersOnly,
                        std::vector<ObjectRow> &children);
    Status ContainableClasses(const ObjectRow &parent, std::vector<std::string> &classes);
    // The matching objects in the scope, in name order, at most `limit` (0: all). The tree root
    // is never a result.
    Status Search(const ObjectRow &base, std::uint32_t scope, const FilterNode &filter,
                  std::size_t limit, FoundObjects &found);

    // The names that hold some but not all four sides of a membership of `group`, each once.
    Status HalfWrittenMembers(std::string_view group, std::vector<std::string> &names);

    // Writes whichever side is missing, so it also completes a half-written equivalence.
    Status AddEquivalence(std::string_view equalFrom, std::string_view equalTo);
    // Removes whichever side is present; NoSuchValue only when neither was.
    Status RemoveEquivalence(std::string_view equalFrom, std::string_view equalTo);

    Status SetSupervisors(std::string_view admin, std::string_view administratorsGroup);
    bool IsSupervisor(std::string_view identity);
    Status SetPassword(std::string_view name, std::string_view password);
    // FailedAuthentication for a wrong password or a user without one; `canonical` receives
    // the user's name as stored.
    Status VerifyPassword(std::string_view name, std::string_view password, std::string &canonical);
    // The stored hash of an object's password, empty when it has none (for exports).
    std::string PasswordHash(const ObjectRow &row);

    Status Dump(std::ostream &out);
    // The file's own consistency check; `problems` lists what it found.
    Status CheckIntegrity(std::string &problems);

  private:
    struct Right {
        std::int64_t objectId = 0;
        bool supervisor = false;
    };

    explicit Store(std::unique_ptr<Database> db) : db_(std::move(db)) {}
    Status Load();
    Status Upgrade();
    Status FoldNameKeys();
    Status RewriteEscapedNames();
    Status FoldBlanksInTextKeys();
    std::string KeyOf(const std::vector<std::string> &components) const;
    std::string ComponentKey(std::string_view component) const;
    bool DecideSupervisor(const ObjectRow &row);
    void ForgetRights() { rights_.clear(); }
    void ForgetObjects() { objects_.clear(); }
    void ForgetRightsOf(std::int64_t objectId);
    Status Attribute(std::string_view name, const AttributeDef *&attribute) const;
    // May the object hold the attribute: its class, a super class or one of its auxiliary
    // classes allows it.
    bool MayHold(const ObjectRow &row, const AttributeDef &attribute);
    Status InsertValue(const ObjectRow &row, const AttributeDef &attribute, AttrValue value,
                       bool tolerateDuplicate);
    Status DeleteValue(const ObjectRow &row, const AttributeDef &attribute, const AttrValue &value,
                       bool tolerateAbsent);
    Status ClearAttribute(const ObjectRow &row, const AttributeDef &attribute, bool tolerateAbsent);
    Status ApplyChange(const ObjectRow &row, const Change &change);
    Status CheckValue(const AttributeDef &attribute, AttrValue &value);
    Status RemoveReferencesTo(const ObjectRow &row);
    Status Touch(const ObjectRow &row);
    std::string Info(const char *key);
    Status SetInfo(const char *key, const std::string &value);

    std::unique_ptr<Database> db_;
    Schema schema_;
    std::string treeName_;
    bool foldedKeys_ = true; // name keys fold case beyond ASCII (older stores: ASCII only)
    std::unordered_set<std::string> parentClasses_;      // classes whose objects may have children
    // Per class (lower case): the ids of the attributes its objects may hold; nullopt: any.
    std::unordered_map<std::string, std::optional<std::unordered_set<std::int64_t>>> allowed_;
    std::unordered_map<std::string, Right> rights_;      // identity (folded) -> decision
    std::unordered_map<std::string, ObjectRow> objects_; // names found in the open batch
};

} // namespace dsclient::embedded

#include "platform/dsclient/embedded/store.h"

#include "platform/dsclient/client.h"
#include "platform/dsclient/dotted_names.h"
#include "platform/dsclient/embedded/value_codec.h"
#include "platform/dsclient/text_fold.h"

#include <sodium.h>
#include <unistd.h>

#include <ctime>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace dsclient::embedded {

namespace {

// Marks a file as one of ours; any other SQLite file is refused rather than written to.
constexpr const char *kFormat = "tarnbeck-directory-store 1";
// Marks a store whose name keys fold case beyond ASCII; older stores are converted on open.
constexpr const char *kFoldedKeys = "folded";
// Names double a backslash that would otherwise be read as an escape.
constexpr const char *kDoubledEscapes = "doubled";
// Index keys of text leave out blanks at the ends and keep one of a run.
constexpr const char *kFoldedBlanks = "folded blanks";

constexpr const char *kCreateTables = R"sql(
CREATE TABLE tree_info(key TEXT PRIMARY KEY, value TEXT NOT NULL);
CREATE TABLE attributes(id INTEGER PRIMARY KEY, name TEXT NOT NULL, name_lc TEXT NOT NULL UNIQUE,
  syntax INTEGER NOT NULL, flags INTEGER NOT NULL, lower_bound INTEGER NOT NULL,
  upper_bound INTEGER NOT NULL);
CREATE TABLE classes(id INTEGER PRIMARY KEY, name TEXT NOT NULL, name_lc TEXT NOT NULL UNIQUE,
  super_classes TEXT NOT NULL, containment TEXT NOT NULL, naming TEXT NOT NULL,
  mandatory TEXT NOT NULL, container INTEGER NOT NULL, effective INTEGER NOT NULL);
CREATE TABLE objects(id INTEGER PRIMARY KEY, parent_id INTEGER REFERENCES objects(id),
  name TEXT NOT NULL, rdn TEXT NOT NULL, rdn_lc TEXT NOT NULL, path_key TEXT NOT NULL UNIQUE,
  base_class TEXT NOT NULL, flags INTEGER NOT NULL, modified INTEGER NOT NULL);
CREATE INDEX objects_parent ON objects(parent_id, rdn_lc);
CREATE TABLE vals(id INTEGER PRIMARY KEY,
  object_id INTEGER NOT NULL REFERENCES objects(id) ON DELETE CASCADE,
  attr_id INTEGER NOT NULL REFERENCES attributes(id), syntax INTEGER NOT NULL,
  eq BLOB NOT NULL, ikey TEXT, data BLOB NOT NULL);
CREATE UNIQUE INDEX vals_object ON vals(object_id, attr_id, eq);
CREATE INDEX vals_keyed ON vals(attr_id, ikey, object_id);
CREATE TABLE passwords(object_id INTEGER PRIMARY KEY REFERENCES objects(id) ON DELETE CASCADE,
  hash TEXT NOT NULL);
)sql";

std::string JoinLines(const std::vector<std::string> &items) {
    std::string joined;
    for (const auto &item : items) {
        if (!joined.empty())
            joined += '\n';
        joined += item;
    }
    return joined;
}

std::vector<std::string> SplitLines(const std::string &text) {
    std::vector<std::string> items;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        if (!line.empty())
            items.push_back(line);
    return items;
}

Status WriteSchema(Database &db, const Schema &schema) {
    for (const auto &a : schema.attributes()) {
        auto insert = db.Prepare("INSERT INTO attributes(name, name_lc, syntax, flags, "
                                 "lower_bound, upper_bound) VALUES(?, ?, ?, ?, ?, ?)");
        insert->Bind(1, a.name);
        insert->Bind(2, LowerAscii(a.name));
        insert->Bind(3, std::int64_t{a.syntax});
        insert->Bind(4, std::int64_t{a.flags});
        insert->Bind(5, std::int64_t{a.lowerBound});
        insert->Bind(6, std::int64_t{a.upperBound});
        insert->Step();
        if (insert->failed())
            return insert->status();
    }
    for (const auto &c : schema.classes()) {
        auto insert = db.Prepare("INSERT INTO classes(name, name_lc, super_classes, containment, "
                                 "naming, mandatory, container, effective) "
                                 "VALUES(?, ?, ?, ?, ?, ?, ?, ?)");
        insert->Bind(1, c.name);
        insert->Bind(2, LowerAscii(c.name));
        insert->Bind(3, JoinLines(c.superClasses));
        insert->Bind(4, JoinLines(c.containment));
        insert->Bind(5, JoinLines(c.naming));
        insert->Bind(6, JoinLines(c.mandatory));
        insert->Bind(7, std::int64_t{c.container});
        insert->Bind(8, std::int64_t{c.effective});
        insert->Step();
        if (insert->failed())
            return insert->status();
    }
    return status::Ok;
}

bool IsSqliteFile(const std::string &path) {
    char header[16] = {};
    std::ifstream(path, std::ios::binary).read(header, sizeof header);
    return std::string_view(header, sizeof header) == std::string_view("SQLite format 3\0", 16);
}

bool DirectoryWritable(const std::string &path) {
    std::filesystem::path directory = std::filesystem::path(path).parent_path();
    if (directory.empty())
        directory = ".";
    return ::access(directory.c_str(), W_OK) == 0;
}

std::uintmax_t SizeOf(const std::string &path) {
    std::error_code ec;
    const std::uintmax_t size = std::filesystem::file_size(path, ec);
    return ec ? 0 : size;
}

// What a failed open says about the file, after its name.
std::string OpenProblem(Status s, const std::string &path) {
    switch (s) {
    case status::DsLocked:
        return "is busy: another program holds it locked";
    case status::InsufficientSpace:
        return "cannot be opened: the disk is full";
    case status::InconsistentDatabase:
        return IsSqliteFile(path) ? "is damaged" : "is not a tree store";
    case status::ClientNotConfigured:
        return "is not a tree store";
    default:
        return std::string("cannot be opened: ") + StatusMeaning(s);
    }
}

} // namespace

std::string Store::ProblemText(const std::string &path, const std::string &problem,
                               const std::string &treeName) {
    return "The store " + path + (treeName.empty() ? "" : " of tree " + treeName) + " " + problem;
}

Status Store::Open(const std::string &path, std::unique_ptr<Store> &store) {
    std::string problem;
    return Open(path, store, problem);
}

Status Store::Open(const std::string &path, std::unique_ptr<Store> &store, std::string &problem) {
    std::error_code ec;
    const auto kind = std::filesystem::status(path, ec);
    if (!std::filesystem::exists(kind))
        problem = "does not exist";
    else if (!std::filesystem::is_regular_file(kind))
        problem = "is not a file";
    else if (SizeOf(path) == 0 && SizeOf(path + "-wal") == 0)
        problem = "is empty";
    else if (::access(path.c_str(), R_OK) != 0)
        problem = "cannot be read: no permission";
    if (!problem.empty())
        return status::ClientNotConfigured;

    const auto openAs = [&](Database::Mode mode) -> Status {
        std::unique_ptr<Database> db;
        if (const Status s = Database::Open(path, mode, db); s != status::Ok)
            return s;
        std::unique_ptr<Store> opened(new Store(std::move(db)));
        if (const Status s = opened->Load(); s != status::Ok)
            return s;
        store = std::move(opened);
        return status::Ok;
    };
    Status s = openAs(Database::Mode::ReadWrite);
    // The write-ahead log needs files beside the store. Where they cannot be created, the store
    // can still be read: with the files another program keeps there, or as it is when there
    // are none.
    if ((s == status::StoreReadOnly || s == status::ClientNotConfigured) &&
        !DirectoryWritable(path)) {
        s = openAs(Database::Mode::ReadOnly);
        if (s != status::Ok && !std::filesystem::exists(path + "-wal", ec))
            s = openAs(Database::Mode::Immutable);
    }
    if (s == status::Ok)
        return s;
    problem = OpenProblem(s, path);
    return s == status::DsLocked || s == status::InsufficientSpace ? s
                                                                   : status::ClientNotConfigured;
}

Status Store::Create(const std::string &path, const std::string &treeName) {
    std::error_code ec;
    if (std::filesystem::exists(path, ec))
        return status::EntryAlreadyExists;
    if (treeName.empty())
        return status::IllegalName;
    std::unique_ptr<Database> db;
    if (const Status s = Database::Open(path, Database::Mode::Create, db); s != status::Ok)
        return s;
    // Set before the first table: a search of a big tree then reads a quarter as many pages,
    // each with one call to the system. Stores made earlier keep the size they were made with.
    if (const Status s = db->Execute("PRAGMA page_size=16384"); s != status::Ok)
        return s;
    if (const Status s = db->Execute("PRAGMA journal_mode=WAL"); s != status::Ok)
        return s;
    {
        Store store(std::move(db));
        WriteTransaction transaction(*store.db_);
        if (const Status s = store.db_->Execute(kCreateTables); s != status::Ok)
            return s;
        if (const Status s = WriteSchema(*store.db_, StandardSchema()); s != status::Ok)
            return s;
        if (const Status s = store.SetInfo("format", kFormat); s != status::Ok)
            return s;
        if (const Status s = store.SetInfo("tree_name", treeName); s != status::Ok)
            return s;
        if (const Status s = store.SetInfo("name_keys", kFoldedKeys); s != status::Ok)
            return s;
        if (const Status s = store.SetInfo("name_escapes", kDoubledEscapes); s != status::Ok)
            return s;
        if (const Status s = store.SetInfo("text_keys", kFoldedBlanks); s != status::Ok)
            return s;
        auto insert = store.db_->Prepare(
            "INSERT INTO objects(parent_id, name, rdn, rdn_lc, path_key, base_class, flags, "
            "modified) VALUES(NULL, '', '', '', '', ?, ?, ?)");
        insert->Bind(1, kTreeRootClass);
        insert->Bind(2, std::int64_t{DS_CONTAINER_ENTRY});
        insert->Bind(3, static_cast<std::int64_t>(std::time(nullptr)));
        insert->Step();
        if (insert->failed())
            return insert->status();
        if (const Status s = transaction.Commit(); s != status::Ok)
            return s;
    }
    // The root carries its classes like every other object.
    std::unique_ptr<Store> store;
    if (const Status s = Open(path, store); s != status::Ok)
        return s;
    WriteTransaction transaction(*store->db_);
    if (transaction.status() != status::Ok)
        return transaction.status();
    ObjectRow root;
    if (const Status s = store->Find("[Root]", root); s != status::Ok)
        return s;
    const AttributeDef *objectClass = store->schema_.FindAttribute(kObjectClassAttribute);
    for (const auto &cls : store->schema_.Chain(kTreeRootClass))
        if (const Status s =
                store->InsertValue(root, *objectClass, AttrValue{SYN_CLASS_NAME, Text{cls}}, false);
            s != status::Ok)
            return s;
    return transaction.Commit();
}

std::string Store::Info(const char *key) {
    auto select = db_->Prepare("SELECT value FROM tree_info WHERE key = ?");
    select->Bind(1, std::string_view(key));
    return select->Step() ? select->Text(0) : std::string();
}

Status Store::SetInfo(const char *key, const std::string &value) {
    auto upsert = db_->Prepare("INSERT OR REPLACE INTO tree_info(key, value) VALUES(?, ?)");
    upsert->Bind(1, std::string_view(key));
    upsert->Bind(2, value);
    upsert->Step();
    return upsert->status();
}

Status Store::Load() {
    {
        // A file that is not an SQLite database, or one without our marker, stops here.
        auto select = db_->Prepare("SELECT value FROM tree_info WHERE key = 'format'");
        const bool found = select->Step();
        if (select->failed())
            return Database::IsSchemaError(select->error()) // somebody else's database
                       ? status::ClientNotConfigured
                       : select->status();
        if (!found || select->Text(0) != kFormat)
            return status::ClientNotConfigured;
    }
    if (!db_->readOnly())
        if (const Status s = db_->Execute("PRAGMA journal_mode=WAL"); s != status::Ok)
            return s;
    treeName_ = Info("tree_name");
    schema_ = Schema();
    {
        auto select = db_->Prepare("SELECT id, name, syntax, flags, lower_bound, upper_bound "
                                   "FROM attributes ORDER BY id");
        while (select->Step()) {
            AttributeDef a;
            a.id = select->Int(0);
            a.name = select->Text(1);
            a.syntax = static_cast<std::uint32_t>(select->Int(2));
            a.flags = static_cast<std::uint32_t>(select->Int(3));
            a.lowerBound = static_cast<std::uint32_t>(select->Int(4));
            a.upperBound = static_cast<std::uint32_t>(select->Int(5));
            schema_.Add(std::move(a));
        }
        if (select->failed())
            return select->status();
    }
    {
        auto select = db_->Prepare("SELECT id, name, super_classes, containment, naming, "
                                   "mandatory, container, effective FROM classes ORDER BY id");
        while (select->Step()) {
            ClassDef c;
            c.id = select->Int(0);
            c.name = select->Text(1);
            c.superClasses = SplitLines(select->Text(2));
            c.containment = SplitLines(select->Text(3));
            c.naming = SplitLines(select->Text(4));
            c.mandatory = SplitLines(select->Text(5));
            c.container = select->Int(6) != 0;
            c.effective = select->Int(7) != 0;
            // What a class allows is the program's schema, the same for every store.
            static const Schema standard = StandardSchema();
            if (const ClassDef *known = standard.FindClass(c.name))
                c.optional = known->optional;
            else
                c.anyAttribute = true;
            schema_.Add(std::move(c));
        }
        if (select->failed())
            return select->status();
    }
    if (!schema_.FindAttribute(kObjectClassAttribute) || !schema_.FindClass(kTreeRootClass))
        return status::ClientNotConfigured;
    // Objects of a class nothing may be created under never have subordinates to count.
    for (const auto &parent : schema_.classes())
        for (const auto &child : schema_.classes())
            if (child.effective && schema_.MayContain(parent.name, child.name)) {
                parentClasses_.insert(parent.name);
                break;
            }
    allowed_.clear();
    for (const auto &cls : schema_.classes()) {
        std::optional<std::unordered_set<std::int64_t>> ids;
        if (const auto names = schema_.Allowed(cls.name)) {
            ids.emplace();
            for (const auto &name : *names)
                if (const AttributeDef *attribute = schema_.FindAttribute(name))
                    ids->insert(attribute->id);
        }
        allowed_.emplace(LowerAscii(cls.name), std::move(ids));
    }
    foldedKeys_ = Info("name_keys") == kFoldedKeys;
    return db_->readOnly() ? status::Ok : Upgrade();
}

// Brings a store written by an earlier version up to date, once, keeping everything in it.
Status Store::Upgrade() {
    bool oldIndex = false;
    {
        // The value index now carries each value's object, so searches by value read no rows.
        auto index = db_->Prepare("SELECT 1 FROM sqlite_master WHERE type = 'index' AND "
                                  "name = 'vals_key'");
        oldIndex = index->Step();
    }
    const bool oldEscapes = Info("name_escapes") != kDoubledEscapes;
    const bool oldTextKeys = Info("text_keys") != kFoldedBlanks;
    if (!oldIndex && foldedKeys_ && !oldEscapes && !oldTextKeys)
        return status::Ok;
    WriteTransaction transaction(*db_);
    if (transaction.status() != status::Ok)
        return transaction.status();
    if (oldIndex)
        if (const Status s =
                db_->Execute("DROP INDEX vals_key; "
                             "CREATE INDEX vals_keyed ON vals(attr_id, ikey, object_id)");
            s != status::Ok)
            return s;
    if (oldEscapes)
        if (const Status s = RewriteEscapedNames(); s != status::Ok)
            return s;
    if (oldTextKeys)
        if (const Status s = FoldBlanksInTextKeys(); s != status::Ok)
            return s;
    if (!foldedKeys_)
        if (const Status s = FoldNameKeys(); s != status::Ok)
            return s;
    return transaction.Commit();
}

// A name with a backslash may have been written when one before a dot was not doubled, and
// then stood for two objects: each is written again from the leaf names of its object and
// the object's parents. Keys are made of leaf names and stay as they are.
Status Store::RewriteEscapedNames() {
    struct Rename {
        std::int64_t id;
        std::string name, old;
    };
    std::vector<Rename> renames;
    {
        auto select = db_->Prepare("SELECT id, name FROM objects WHERE instr(name, '\\') > 0");
        while (select->Step()) {
            std::vector<std::string> components;
            for (std::int64_t id = select->Int(0); id != 0;) {
                auto up =
                    db_->Prepare("SELECT coalesce(parent_id, 0), rdn FROM objects WHERE id = ?");
                up->Bind(1, id);
                if (!up->Step())
                    return up->failed() ? up->status() : status::InconsistentDatabase;
                id = up->Int(0);
                if (id != 0) // the root has no leaf name
                    components.push_back(up->Text(1));
            }
            std::string name = JoinName(components);
            if (name != select->TextView(1))
                renames.push_back({select->Int(0), std::move(name), select->Text(1)});
        }
        if (select->failed())
            return select->status();
    }
    for (const auto &rename : renames) {
        auto update = db_->Prepare("UPDATE objects SET name = ? WHERE id = ?");
        update->Bind(1, rename.name);
        update->Bind(2, rename.id);
        update->Step();
        if (update->failed())
            return update->status();
        // The tree's administrator and their group are kept by name.
        for (const char *key : {"admin", "admin_group"})
            if (Info(key) == rename.old)
                if (const Status s = SetInfo(key, rename.name); s != status::Ok)
                    return s;
    }
    return SetInfo("name_escapes", kDoubledEscapes);
}

// Text written with blanks at its ends or doubled inside was indexed with them, and a search
// for it missed it: such keys are made again as values are keyed now.
Status Store::FoldBlanksInTextKeys() {
    struct Rekey {
        std::int64_t id;
        std::string key;
    };
    std::vector<Rekey> rekeys;
    {
        auto select = db_->Prepare("SELECT id, syntax, data, ikey FROM vals WHERE ikey LIKE ' %' "
                                   "OR ikey LIKE '% ' OR instr(ikey, '  ') > 0");
        while (select->Step()) {
            AttrValue value;
            if (!DecodeValue(static_cast<std::uint32_t>(select->Int(1)), select->Blob(2), value))
                continue; // left as it was: a damaged value is reported by the integrity check
            if (const auto key = IndexKey(value); key && *key != select->TextView(3))
                rekeys.push_back({select->Int(0), *key});
        }
        if (select->failed())
            return select->status();
    }
    for (const auto &rekey : rekeys) {
        auto update = db_->Prepare("UPDATE vals SET ikey = ? WHERE id = ?");
        update->Bind(1, rekey.key);
        update->Bind(2, rekey.id);
        update->Step();
        if (update->failed())
            return update->status();
    }
    return SetInfo("text_keys", kFoldedBlanks);
}

// Names beyond ASCII get keys folded in Unicode: within the upgrade's transaction, and undone
// alone when two names turn out to differ only in such case.
Status Store::FoldNameKeys() {
    WriteTransaction transaction(*db_);
    if (transaction.status() != status::Ok)
        return transaction.status();
    // Keys of names in plain ASCII stay as they are; a name is longer in bytes than in
    // characters exactly when it holds something else.
    struct Rekey {
        std::int64_t id;
        std::string rdnKey, pathKey;
    };
    std::vector<Rekey> rekeys;
    {
        auto select = db_->Prepare("SELECT id, name FROM objects "
                                   "WHERE length(name) != length(CAST(name AS BLOB))");
        while (select->Step()) {
            std::vector<std::string> components;
            if (SplitName(select->Text(1), components) != status::Ok || components.empty())
                continue; // not a name this store could be asked for anyway
            rekeys.push_back(
                {select->Int(0), ComponentKey(components.front()), PathKey(components)});
        }
        if (select->failed())
            return select->status();
    }
    for (const auto &rekey : rekeys) {
        auto update = db_->Prepare("UPDATE objects SET rdn_lc = ?, path_key = ? WHERE id = ?");
        update->Bind(1, rekey.rdnKey);
        update->Bind(2, rekey.pathKey);
        update->Bind(3, rekey.id);
        update->Step();
        // Two names that only differ in case beyond ASCII: keep the old keys, lose nothing.
        if (update->failed())
            return Database::IsConstraintError(update->error()) ? status::Ok : update->status();
    }
    if (const Status s = SetInfo("name_keys", kFoldedKeys); s != status::Ok)
        return s;
    if (const Status s = transaction.Commit(); s != status::Ok)
        return s;
    foldedKeys_ = true;
    return status::Ok;
}

std::string Store::ComponentKey(std::string_view component) const {
    return dsclient::ComponentKey(component, foldedKeys_);
}

std::string Store::KeyOf(const std::vector<std::string> &components) const {
    return PathKey(components, foldedKeys_);
}

Status Store::Begin() {
    ForgetObjects();
    const Status s = db_->BeginGroup();
    if (s == status::Ok && db_->ChangedElsewhere())
        ForgetRights();
    return s;
}

Status Store::Commit() {
    ForgetObjects();
    const Status s = db_->CommitGroup();
    if (s != status::Ok)
        ForgetRights();
    return s;
}

Status Store::BeginBatch() {
    ForgetObjects();
    const Status s = db_->BeginBatch();
    if (s == status::Ok && db_->ChangedElsewhere())
        ForgetRights();
    return s;
}

Status Store::EndBatch() {
    ForgetObjects();
    const Status s = db_->EndBatch();
    if (s != status::Ok)
        ForgetRights();
    return s;
}

Status Store::Rollback() {
    ForgetObjects();
    ForgetRights(); // decided on writes that are dropped now
    return db_->RollbackGroup();
}

Status Store::CheckIntegrity(std::string &problems) {
    problems.clear();
    {
        auto check = db_->Prepare("PRAGMA integrity_check");
        while (check->Step())
            if (const std::string line = check->Text(0); line != "ok")
                problems += line + "\n";
        if (check->failed())
            return check->status();
    }
    auto references = db_->Prepare("PRAGMA foreign_key_check");
    while (references->Step())
        problems += "row " + std::to_string(references->Int(1)) + " of " + references->Text(0) +
                    " refers to a missing row of " + references->Text(2) + "\n";
    if (references->failed())
        return references->status();
    return problems.empty() ? status::Ok : status::InconsistentDatabase;
}

void ReadObjectRow(const Statement &select, ObjectRow &row) {
    row.id = select.Int(0);
    row.parentId = select.Int(1);
    row.name = select.Text(2);
    row.rdn = select.Text(3);
    row.pathKey = select.Text(4);
    row.baseClass = select.Text(5);
    row.flags = static_cast<std::uint32_t>(select.Int(6));
    row.modificationTime = static_cast<std::uint32_t>(select.Int(7));
}

Status Store::Find(std::string_view name, ObjectRow &row) {
    std::vector<std::string> components;
    if (const Status s = SplitName(name, components); s != status::Ok)
        return s;
    auto select = db_->Prepare("SELECT id, coalesce(parent_id, 0), name, rdn, path_key, "
                               "base_class, flags, modified FROM objects WHERE path_key = ?");
    select->Bind(1, KeyOf(components));
    if (!select->Step())
        return select->failed() ? select->status() : status::NoSuchEntry;
    ReadObjectRow(*select, row);
    return status::Ok;
}

Status Store::FindToWrite(std::string_view name, ObjectRow &row) {
    if (!db_->InGroup())
        return Find(name, row);
    std::string key(name);
    if (const auto found = objects_.find(key); found != objects_.end()) {
        row = found->second;
        return status::Ok;
    }
    if (const Status s = Find(name, row); s != status::Ok)
        return s;
    constexpr std::size_t kKept = 4096;
    if (objects_.size() >= kKept)
        ForgetObjects();
    objects_.emplace(std::move(key), row);
    return status::Ok;
}

std::uint32_t Store::SubordinateCount(const ObjectRow &row) {
    return SubordinateCount(row.id, row.baseClass);
}

std::uint32_t Store::SubordinateCount(std::int64_t id, std::string_view baseClass) {
    if (!parentClasses_.count(std::string(baseClass)))
        return 0;
    auto count = db_->Prepare("SELECT count(*) FROM objects WHERE parent_id = ?");
    count->Bind(1, id);
    return count->Step() ? static_cast<std::uint32_t>(count->Int(0)) : 0;
}

Status Store::SetSupervisors(std::string_view admin, std::string_view administratorsGroup) {
    ObjectRow adminRow, groupRow;
    if (const Status s = Find(admin, adminRow); s != status::Ok)
        return s;
    if (!administratorsGroup.empty())
        if (const Status s = Find(administratorsGroup, groupRow); s != status::Ok)
            return s;
    WriteTransaction transaction(*db_);
    if (transaction.status() != status::Ok)
        return transaction.status();
    ForgetRights();
    if (const Status s = SetInfo("admin", adminRow.name); s != status::Ok)
        return s;
    if (const Status s = SetInfo("admin_group", groupRow.name); s != status::Ok)
        return s;
    return transaction.Commit();
}

void Store::ForgetRightsOf(std::int64_t objectId) {
    for (const auto &[identity, right] : rights_)
        if (right.objectId == objectId) {
            ForgetRights();
            return;
        }
}

// Decided once per identity and kept while neither another program nor this one changes what
// the decision rests on: the walk of an Update asks before each of its many requests.
bool Store::IsSupervisor(std::string_view identity) {
    if (identity.empty())
        return false;
    // Within a batch no other program can change the store; Begin looked when it started.
    if (!db_->InGroup() && db_->ChangedElsewhere())
        ForgetRights();
    std::string key = FoldCase(identity);
    if (const auto found = rights_.find(key); found != rights_.end())
        return found->second.supervisor;
    Right right;
    Reading([&] {
        ObjectRow row;
        if (Find(identity, row) == status::Ok && !row.isRoot()) {
            right.objectId = row.id;
            right.supervisor = DecideSupervisor(row);
        }
        return status::Ok;
    });
    rights_.emplace(std::move(key), right);
    return right.supervisor;
}

bool Store::DecideSupervisor(const ObjectRow &row) {
    const std::string admin = Info("admin");
    if (!admin.empty() && EqualsIgnoreCase(admin, row.name))
        return true;
    const std::string group = Info("admin_group");
    if (group.empty())
        return false;
    if (EqualsIgnoreCase(group, row.name))
        return true;
    const AttributeDef *equals = schema_.FindAttribute("Security Equals");
    auto select = db_->Prepare("SELECT 1 FROM vals WHERE object_id = ? AND attr_id = ? AND eq = ?");
    select->Bind(1, row.id);
    select->Bind(2, equals->id);
    select->BindBlob(3, LowerAscii(group));
    return select->Step();
}

Status Store::SetPassword(std::string_view name, std::string_view password) {
    ObjectRow row;
    if (const Status s = Find(name, row); s != status::Ok)
        return s;
    if (row.isRoot())
        return status::InvalidRequest;
    if (sodium_init() < 0)
        return status::NotEnoughMemory;
    char hash[crypto_pwhash_STRBYTES];
    if (crypto_pwhash_str(hash, password.data(), password.size(),
                          crypto_pwhash_OPSLIMIT_INTERACTIVE,
                          crypto_pwhash_MEMLIMIT_INTERACTIVE) != 0)
        return status::NotEnoughMemory;
    auto upsert = db_->Prepare("INSERT OR REPLACE INTO passwords(object_id, hash) VALUES(?, ?)");
    upsert->Bind(1, row.id);
    upsert->Bind(2, std::string_view(hash));
    upsert->Step();
    return upsert->status();
}

Status Store::VerifyPassword(std::string_view name, std::string_view password,
                             std::string &canonical) {
    ObjectRow row;
    if (const Status s = Find(name, row); s != status::Ok)
        return s;
    auto select = db_->Prepare("SELECT hash FROM passwords WHERE object_id = ?");
    select->Bind(1, row.id);
    if (!select->Step())
        return select->failed() ? select->status() : status::FailedAuthentication;
    const std::string hash = select->Text(0);
    if (sodium_init() < 0)
        return status::NotEnoughMemory;
    if (crypto_pwhash_str_verify(hash.c_str(), password.data(), password.size()) != 0)
        return status::FailedAuthentication;
    canonical = row.name;
    return status::Ok;
}

std::string Store::PasswordHash(const ObjectRow &row) {
    auto select = db_->Prepare("SELECT hash FROM passwords WHERE object_id = ?");
    select->Bind(1, row.id);
    return select->Step() ? select->Text(0) : std::string();
}

} // namespace dsclient::embedded

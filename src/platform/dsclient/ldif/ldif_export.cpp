#include "platform/dsclient/ldif/ldif_export.h"

#include "platform/dsclient/dotted_names.h"
#include "platform/dsclient/embedded/store.h"
#include "platform/dsclient/ldap/dn.h"
#include "platform/dsclient/ldap/name_table.h"
#include "platform/dsclient/ldap/value_codec.h"

#include <sodium.h>

#include <unordered_map>

namespace dsclient::ldap {

namespace {

using embedded::ObjectRow;
using embedded::Store;

// RFC 2849: a value goes as it is only when it is plain ASCII that cannot be misread.
bool IsSafe(std::string_view value) {
    if (value.empty())
        return true;
    const unsigned char first = static_cast<unsigned char>(value.front());
    if (first == ' ' || first == ':' || first == '<' || value.back() == ' ')
        return false;
    for (unsigned char c : value)
        if (c == 0 || c == '\n' || c == '\r' || c >= 0x80)
            return false;
    return true;
}

void WriteLine(std::ostream &out, std::string_view attribute, std::string_view value) {
    out << attribute;
    if (IsSafe(value)) {
        out << ": " << value << '\n';
        return;
    }
    std::string encoded(sodium_base64_ENCODED_LEN(value.size(), sodium_base64_VARIANT_ORIGINAL),
                        '\0');
    sodium_bin2base64(encoded.data(), encoded.size(),
                      reinterpret_cast<const unsigned char *>(value.data()), value.size(),
                      sodium_base64_VARIANT_ORIGINAL);
    encoded.resize(encoded.find('\0'));
    out << ":: " << encoded << '\n';
}

// The dotted name of an object's parent ("" for a top container).
// The parent of a name already split into its components (leaf first).
std::string ParentName(std::vector<std::string> components) {
    components.erase(components.begin());
    return dsclient::JoinName(components);
}

class Exporter {
  public:
    Exporter(Store &store, std::string base, std::ostream &out)
        : store_(store), base_(std::move(base)), out_(out) {}

    Status Run(std::string &problem) {
        ObjectRow root;
        if (const Status s = store_.Find("[Root]", root); s != status::Ok)
            return s;
        FilterNode everything;
        everything.kind = FilterNode::Kind::BaseClass;
        everything.value = "*";
        embedded::FoundObjects found;
        if (const Status s = store_.Search(root, DS_SEARCH_SUBTREE, everything, 0, found);
            s != status::Ok)
            return s;
        // Parents come first (the store finds in root-first order), so each DN is its leaf
        // below a DN already known.
        std::vector<ObjectRow> rows;
        rows.reserve(found.size());
        for (std::size_t i = 0; i < found.size(); ++i) {
            const embedded::FoundObject &object = found[i];
            ObjectRow row;
            row.id = object.id;
            row.name = found.NameOf(object);
            row.baseClass = object.baseClass ? *object.baseClass : std::string();
            std::vector<std::string> components;
            // A name no request could have made (a damaged or foreign store) is refused whole.
            const bool named =
                dsclient::SplitName(row.name, components) == status::Ok && !components.empty();
            row.rdn = named ? components.front() : std::string();
            const std::string parent = named ? ParentName(std::move(components)) : std::string();
            const auto parentDn = parent.empty() ? std::optional<std::string>(base_) : Known(parent);
            std::string dn;
            if (!named || !parentDn ||
                BuildDn({Rdn{NamingAttributeOf(names_.ToLdap(row.baseClass)), row.rdn}}, *parentDn,
                        dn) != status::Ok) {
                problem = "The name " + row.name + " cannot be written as a DN";
                return status::IllegalName;
            }
            dns_[row.name] = dn;
            rows.push_back(std::move(row));
        }
        for (const auto &row : rows)
            if (const Status s = Write(row, problem); s != status::Ok)
                return s;
        return out_ ? status::Ok : status::TransportFailure;
    }

  private:
    std::optional<std::string> Known(const std::string &name) const {
        const auto found = dns_.find(name);
        return found == dns_.end() ? std::nullopt : std::optional<std::string>(found->second);
    }

    Status Write(const ObjectRow &row, std::string &problem) {
        std::vector<embedded::AttributeWithValues> attributes;
        if (const Status s = store_.ReadAttributes(row, nullptr, true, attributes);
            s != status::Ok)
            return s;
        const std::string ldapClass = names_.ToLdap(row.baseClass);
        const std::string naming = NamingAttributeOf(ldapClass);
        const std::string &dn = dns_.at(row.name);
        const DnLookup reference = [this](std::string_view name, std::string &out) {
            const auto known = Known(std::string(name));
            if (!known)
                return status::NoSuchEntry;
            out = *known;
            return status::Ok;
        };
        // Each attribute's values together: LDIF readers take an attribute once.
        std::vector<std::pair<std::string, std::vector<std::string>>> entry;
        bool named = false;
        for (const auto &attribute : attributes) {
            const std::string ldapName = names_.ToLdap(attribute.attribute->name);
            named |= dsclient::EqualsIgnoreCase(ldapName, naming);
            auto &values = entry.emplace_back(ldapName, std::vector<std::string>()).second;
            for (const auto &value : attribute.values) {
                std::string encoded;
                if (EncodeValue(value, attribute.attribute->syntax, names_, reference, encoded) !=
                    status::Ok) {
                    problem = "A value of " + attribute.attribute->name + " of " + row.name +
                              " names no object of the tree";
                    return status::NoSuchEntry;
                }
                values.push_back(std::move(encoded));
            }
            // An alias holds only its target in LDAP's own class; its name needs room besides.
            if (ldapName == "objectClass" && dsclient::EqualsIgnoreCase(ldapClass, "alias"))
                values.push_back("extensibleObject");
        }
        if (!named)
            entry.emplace_back(naming, std::vector<std::string>{row.rdn});
        out_ << '\n';
        WriteLine(out_, "dn", dn);
        for (const auto &[name, values] : entry)
            for (const auto &value : values)
                WriteLine(out_, name, value);
        const std::string hash = store_.PasswordHash(row);
        if (hash.starts_with("$argon2"))
            WriteLine(out_, "userPassword", "{ARGON2}" + hash);
        return status::Ok;
    }

    Store &store_;
    std::string base_;
    std::ostream &out_;
    NameTable names_;
    std::unordered_map<std::string, std::string> dns_; // dotted name as stored -> DN
};

} // namespace

Status ExportLdif(const std::string &storePath, const std::string &base, std::ostream &out,
                  std::string &problem) {
    if (!TreeNames(base).valid()) {
        problem = "The base \"" + base + "\" is not a DN";
        return status::IllegalName;
    }
    std::unique_ptr<Store> store;
    std::string fault;
    if (const Status s = Store::Open(storePath, store, fault); s != status::Ok) {
        problem = Store::ProblemText(storePath, fault);
        return s;
    }
    if (sodium_init() < 0)
        return status::NotEnoughMemory;
    out << "# " << store->treeName() << " from " << storePath << '\n';
    const Status s = Exporter(*store, base, out).Run(problem);
    if (s != status::Ok && problem.empty())
        problem = "Exporting " + storePath + " failed: " + StatusMeaning(s);
    return s;
}

} // namespace dsclient::ldap

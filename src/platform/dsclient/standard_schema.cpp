#include "platform/dsclient/client.h"
#include "platform/dsclient/schema.h"

namespace dsclient {

namespace {

constexpr std::uint32_t kSingle = DS_SINGLE_VALUED_ATTR;
constexpr std::uint32_t kSized = DS_SIZED_ATTR;
constexpr std::uint32_t kString = DS_STRING_ATTR;
constexpr std::uint32_t kPublic = DS_PUBLIC_READ;

struct AttributeSpec {
    const char *name;
    std::uint32_t syntax;
    std::uint32_t flags;
    std::uint32_t lower;
    std::uint32_t upper;
};

// Every value syntax is used by at least one attribute.
constexpr AttributeSpec kAttributes[] = {
    {"Unknown", SYN_UNKNOWN, 0, 0, 0},
    {"CN", SYN_CI_STRING, kString | kSized, 1, 64},
    {"Surname", SYN_CI_STRING, kString | kSized, 1, 64},
    {"Given Name", SYN_CI_STRING, kString | kSized, 1, 32},
    {"Full Name", SYN_CI_STRING, kString | kSized, 1, 127},
    {"Title", SYN_CI_STRING, kString | kSized, 1, 64},
    {"L", SYN_CI_STRING, kString | kSized, 1, 128},
    {"S", SYN_CI_STRING, kString | kSized, 1, 128},
    {"O", SYN_CI_STRING, kString | kSized, 1, 64},
    {"OU", SYN_CI_STRING, kString | kSized, 1, 64},
    {"C", SYN_PR_STRING, kString | kSized | kSingle, 2, 2},
    {"DC", SYN_CI_STRING, kString | kSized | kSingle, 1, 64},
    {"Description", SYN_CI_STRING, kString | kSized, 1, 1024},
    {"Version", SYN_CI_STRING, kString | kSingle, 0, 0},
    {"Host Resource Name", SYN_CI_STRING, kString | kSingle, 0, 0},
    {"Internet EMail Address", SYN_CI_STRING, kString, 0, 0},
    {"uid", SYN_CI_STRING, kString | kSingle, 0, 0},
    {"homeDirectory", SYN_CE_STRING, kString | kSingle, 0, 0},
    {"loginShell", SYN_CE_STRING, kString | kSingle, 0, 0},
    {"Bindery Type", SYN_NU_STRING, kString | kSingle, 0, 0},
    {"Language", SYN_CI_LIST, kSingle, 0, 0},
    {"Login Disabled", SYN_BOOLEAN, kSingle, 0, 0},
    {"Login Grace Limit", SYN_INTEGER, kSingle, 0, 0},
    {"Login Grace Remaining", SYN_INTEGER, kSingle, 0, 0},
    {"Password Minimum Length", SYN_INTEGER, kSingle, 0, 0},
    {"uidNumber", SYN_INTEGER, kSingle, 0, 0},
    {"gidNumber", SYN_INTEGER, kSingle, 0, 0},
    {"Private Key", SYN_OCTET_STRING, kSingle, 0, 0},
    {"Timezone", SYN_OCTET_STRING, kSingle, 0, 0},
    {"Login Allowed Time Map", SYN_OCTET_STRING, kSingle, 0, 0},
    {"Telephone Number", SYN_TEL_NUMBER, kString, 0, 0},
    {"Facsimile Telephone Number", SYN_FAX_NUMBER, 0, 0, 0},
    {"Network Address", SYN_NET_ADDRESS, 0, 0, 0},
    {"Certificate List", SYN_OCTET_LIST, 0, 0, 0},
    {"EMail Address", SYN_EMAIL_ADDRESS, 0, 0, 0},
    {"Home Directory", SYN_PATH, kSingle, 0, 0},
    {"Path", SYN_PATH, kSingle, 0, 0},
    {"Replica", SYN_REPLICA_POINTER, 0, 0, 0},
    {"ACL", SYN_OBJECT_ACL, 0, 0, 0},
    {"Postal Address", SYN_PO_ADDRESS, 0, 0, 0},
    {"Last Referenced Time", SYN_TIMESTAMP, kSingle, 0, 0},
    {"Object Class", SYN_CLASS_NAME, kString | kPublic, 0, 0},
    {"Login Script", SYN_STREAM, kSingle, 0, 0},
    {"Login Intruder Attempts", SYN_COUNTER, kSingle, 0, 0},
    {"Revision", SYN_COUNTER, kSingle, 0, 0},
    {"Account Balance", SYN_COUNTER, kSingle, 0, 0},
    {"Back Link", SYN_BACK_LINK, 0, 0, 0},
    {"Login Time", SYN_TIME, kSingle, 0, 0},
    {"Login Expiration Time", SYN_TIME, kSingle, 0, 0},
    {"Last Login Time", SYN_TIME, kSingle, 0, 0},
    {"Notify", SYN_TYPED_NAME, 0, 0, 0},
    {"Server Holds", SYN_HOLD, 0, 0, 0},
    {"Login Intruder Reset Interval", SYN_INTERVAL, kSingle, 0, 0},
    {"Member", SYN_DIST_NAME, kString, 0, 0},
    {"Group Membership", SYN_DIST_NAME, kString, 0, 0},
    {"Security Equals", SYN_DIST_NAME, kString, 0, 0},
    {"Equivalent To Me", SYN_DIST_NAME, kString, 0, 0},
    {"See Also", SYN_DIST_NAME, kString, 0, 0},
    {"Owner", SYN_DIST_NAME, kString, 0, 0},
    {"Aliased Object Name", SYN_DIST_NAME, kString | kSingle, 0, 0},
    {"Host Server", SYN_DIST_NAME, kString | kSingle, 0, 0},
    {"Message Server", SYN_DIST_NAME, kString | kSingle, 0, 0},
};

const std::vector<std::string> kUnderOrganisations = {"Organization", "Organizational Unit",
                                                      "domain", "Locality"};

ClassDef Class(const char *name, std::vector<std::string> supers,
               std::vector<std::string> containment, std::vector<std::string> naming,
               std::vector<std::string> mandatory, bool container, bool effective = true) {
    ClassDef cls;
    cls.name = name;
    cls.superClasses = std::move(supers);
    cls.containment = std::move(containment);
    cls.naming = std::move(naming);
    cls.mandatory = std::move(mandatory);
    cls.container = container;
    cls.effective = effective;
    return cls;
}

// A leaf class named by CN and created inside organisations and units.
ClassDef Leaf(const char *name, std::vector<std::string> mandatory = {}) {
    return Class(name, {"Top"}, kUnderOrganisations, {"CN"}, std::move(mandatory), false);
}

// Attributes only some classes may hold: membership and security equivalence are what make an
// object a member with rights, so a container, a volume or a group never carries them.
constexpr const char *kMembership[] = {"Group Membership", "Security Equals"};
constexpr const char *kMembers = "Member";

bool Restricted(std::string_view name) {
    return name == kMembers || name == kMembership[0] || name == kMembership[1];
}

ClassDef WithOptional(ClassDef cls, std::vector<std::string> optional) {
    cls.optional = std::move(optional);
    return cls;
}

const std::vector<std::string> kMembershipAttributes(std::begin(kMembership),
                                                     std::end(kMembership));

} // namespace

Schema StandardSchema() {
    Schema schema;
    for (const auto &entry : kAttributes) {
        AttributeDef attribute;
        attribute.name = entry.name;
        attribute.syntax = entry.syntax;
        attribute.flags = entry.flags;
        attribute.lowerBound = entry.lower;
        attribute.upperBound = entry.upper;
        schema.Add(std::move(attribute));
    }
    // Every class may hold the general attributes.
    std::vector<std::string> general;
    for (const auto &entry : kAttributes)
        if (!Restricted(entry.name))
            general.emplace_back(entry.name);
    schema.Add(WithOptional(Class("Top", {}, {}, {}, {"Object Class"}, false, false), general));
    schema.Add(Class("Tree Root", {"Top"}, {}, {}, {}, true));
    schema.Add(Class("Country", {"Top"}, {"Tree Root"}, {"C"}, {"C"}, true));
    schema.Add(Class("Locality", {"Top"},
                     {"Country", "Organization", "Organizational Unit", "Locality"}, {"L"}, {},
                     true));
    schema.Add(
        Class("Organization", {"Top"}, {"Tree Root", "Country", "Locality"}, {"O"}, {"O"}, true));
    schema.Add(Class("Organizational Unit", {"Top"},
                     {"Organization", "Organizational Unit", "Locality", "domain"}, {"OU"}, {"OU"},
                     true));
    schema.Add(
        Class("domain", {"Top"},
              {"Tree Root", "Country", "Locality", "Organization", "Organizational Unit", "domain"},
              {"DC"}, {"DC"}, true));
    schema.Add(
        Class("Person", {"Top"}, kUnderOrganisations, {"CN"}, {"CN", "Surname"}, false, false));
    schema.Add(WithOptional(Class("Organizational Person", {"Person"}, {}, {}, {}, false, false),
                            kMembershipAttributes));
    schema.Add(Class("User", {"Organizational Person", "Person", "Top"}, {}, {}, {}, false));
    schema.Add(WithOptional(Leaf("Group", {"CN"}), {kMembers}));
    schema.Add(WithOptional(Leaf("Workstation", {"CN"}), kMembershipAttributes));
    schema.Add(WithOptional(Leaf("Workstation Group", {"CN"}), {kMembers}));
    schema.Add(WithOptional(Leaf("zenWorkstationGroup", {"CN"}), {kMembers}));
    schema.Add(
        Class("Alias", {"Top"},
              {"Tree Root", "Country", "Locality", "Organization", "Organizational Unit", "domain"},
              {"CN"}, {"Aliased Object Name"}, false));
    // Servers may be made equivalent to groups where a tree needs it.
    schema.Add(WithOptional(Leaf("NCP Server", {"CN"}), kMembershipAttributes));
    schema.Add(Leaf("Volume", {"CN", "Host Server"}));
    schema.Add(Leaf("Organizational Role", {"CN"}));
    schema.Add(Leaf("Printer", {"CN"}));
    schema.Add(Leaf("Queue", {"CN"}));
    schema.Add(Leaf("Directory Map", {"CN"}));
    // Auxiliary classes: they only ever appear as further "Object Class" values.
    schema.Add(Class("posixAccount", {"Top"}, {}, {}, {}, false, false));
    schema.Add(Class("apple-user", {"Top"}, {}, {}, {}, false, false));
    return schema;
}

} // namespace dsclient

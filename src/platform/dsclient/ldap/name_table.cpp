#include "platform/dsclient/ldap/name_table.h"

#include "platform/dsclient/dotted_names.h"

#include <fstream>

namespace dsclient::ldap {

namespace {


struct NamePair {
    const char *directory;
    const char *ldap;
};

// The directory's attributes and classes whose LDAP names differ from their own, in more than
// case too, so each side reads its own spelling. Names spelt the same on both sides (uid,
// uidNumber, posixAccount, ...) need no line.
constexpr NamePair kBuiltIn[] = {
    // attributes
    {"Object Class", "objectClass"},
    {"Unknown", "unknown"},
    {"Title", "title"},
    {"L", "l"},
    {"O", "o"},
    {"OU", "ou"},
    {"C", "c"},
    {"DC", "dc"},
    {"Description", "description"},
    {"Version", "version"},
    {"Language", "language"},
    {"Timezone", "timezone"},
    {"Path", "path"},
    {"Replica", "replica"},
    {"Revision", "revision"},
    {"Notify", "notify"},
    {"Member", "member"},
    {"Owner", "owner"},
    {"CN", "cn"},
    {"Surname", "sn"},
    {"Given Name", "givenName"},
    {"Full Name", "fullName"},
    {"S", "st"},
    {"Internet EMail Address", "mail"},
    {"Host Resource Name", "hostResourceName"},
    {"Bindery Type", "binderyType"},
    {"Login Disabled", "loginDisabled"},
    {"Login Grace Limit", "loginGraceLimit"},
    {"Login Grace Remaining", "loginGraceRemaining"},
    {"Password Minimum Length", "passwordMinimumLength"},
    {"Private Key", "privateKey"},
    {"Login Allowed Time Map", "loginAllowedTimeMap"},
    {"Telephone Number", "telephoneNumber"},
    {"Facsimile Telephone Number", "facsimileTelephoneNumber"},
    {"Network Address", "networkAddress"},
    {"Certificate List", "certificateList"},
    {"EMail Address", "ndsEMailAddress"},
    {"Home Directory", "ndsHomeDirectory"},
    {"Postal Address", "postalAddress"},
    {"Last Referenced Time", "lastReferencedTime"},
    {"Login Script", "loginScript"},
    {"Login Intruder Attempts", "loginIntruderAttempts"},
    {"Account Balance", "accountBalance"},
    {"Back Link", "backLink"},
    {"Login Time", "loginTime"},
    {"Login Expiration Time", "loginExpirationTime"},
    {"Last Login Time", "lastLoginTime"},
    {"Server Holds", "serverHolds"},
    {"Login Intruder Reset Interval", "loginIntruderResetInterval"},
    {"Group Membership", "groupMembership"},
    {"Security Equals", "securityEquals"},
    {"Equivalent To Me", "equivalentToMe"},
    {"See Also", "seeAlso"},
    {"Aliased Object Name", "aliasedObjectName"},
    {"Host Server", "hostServer"},
    {"Message Server", "messageServer"},
    // classes
    {"Top", "top"},
    {"Country", "country"},
    {"Locality", "locality"},
    {"Person", "person"},
    {"Alias", "alias"},
    {"Workstation", "workstation"},
    {"Volume", "volume"},
    {"Printer", "printer"},
    {"Queue", "queue"},
    {"Organization", "organization"},
    {"Organizational Unit", "organizationalUnit"},
    {"Organizational Person", "organizationalPerson"},
    {"Organizational Role", "organizationalRole"},
    {"User", "inetOrgPerson"},
    {"Group", "groupOfNames"},
    {"Workstation Group", "workstationGroup"},
    {"NCP Server", "ncpServer"},
    {"Directory Map", "directoryMap"},
};

constexpr const char *kNamingAttributes[] = {"cn", "ou", "o", "l", "c", "dc", nullptr};

std::string Trim(std::string_view text) {
    const auto first = text.find_first_not_of(" \t\r");
    if (first == std::string_view::npos)
        return {};
    const auto last = text.find_last_not_of(" \t\r");
    return std::string(text.substr(first, last - first + 1));
}

} // namespace

NameTable::NameTable() {
    for (const auto &pair : kBuiltIn)
        Add(pair.directory, pair.ldap);
}

void NameTable::Add(std::string_view directoryName, std::string_view ldapName) {
    toLdap_[LowerAscii(directoryName)] = std::string(ldapName);
    toDirectory_[LowerAscii(ldapName)] = std::string(directoryName);
}

bool NameTable::AddFile(const std::string &path, std::string &problem) {
    std::ifstream in(path);
    if (!in) {
        problem = "The attribute map " + path + " cannot be read";
        return false;
    }
    int number = 0;
    for (std::string line; std::getline(in, line);) {
        ++number;
        const std::string text = Trim(line);
        if (text.empty() || text[0] == ';' || text[0] == '#')
            continue;
        const auto equals = text.find('=');
        const std::string directory = Trim(std::string_view(text).substr(0, equals));
        const std::string ldap =
            equals == std::string::npos ? "" : Trim(std::string_view(text).substr(equals + 1));
        if (directory.empty() || ldap.empty()) {
            problem = "Line " + std::to_string(number) + " of the attribute map " + path +
                      " is not \"directory name = LDAP name\"";
            return false;
        }
        Add(directory, ldap);
    }
    return true;
}

std::string NameTable::ToLdap(std::string_view directoryName) const {
    const auto found = toLdap_.find(LowerAscii(directoryName));
    return found == toLdap_.end() ? std::string(directoryName) : found->second;
}

std::string NameTable::ToDirectory(std::string_view ldapName) const {
    const auto found = toDirectory_.find(LowerAscii(ldapName));
    return found == toDirectory_.end() ? std::string(ldapName) : found->second;
}

bool IsContainerClass(std::string_view ldapClass) {
    const std::string lower = LowerAscii(ldapClass);
    return lower == "organization" || lower == "organizationalunit" || lower == "locality" ||
           lower == "country" || lower == "domain" || lower == "dcobject";
}

std::string NamingAttributeOf(std::string_view ldapClass) {
    const std::string lower = LowerAscii(ldapClass);
    if (lower == "organization")
        return "o";
    if (lower == "organizationalunit")
        return "ou";
    if (lower == "locality")
        return "l";
    if (lower == "country")
        return "c";
    if (lower == "domain" || lower == "dcobject")
        return "dc";
    return "cn";
}

bool NamesContainer(std::string_view ldapAttribute) {
    const std::string lower = LowerAscii(ldapAttribute);
    return lower == "o" || lower == "ou" || lower == "l" || lower == "c" || lower == "dc";
}

const char *const *NamingAttributes() {
    return kNamingAttributes;
}

} // namespace dsclient::ldap

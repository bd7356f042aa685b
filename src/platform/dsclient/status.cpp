#include "platform/dsclient/status.h"

namespace dsclient {

namespace {

// The result codes of RFC 4511 and its extensions, as a server reports them.
const char *LdapResultMeaning(int code) {
    switch (code) {
    case 1: return "directory server: operations error (LDAP 1)";
    case 2: return "directory server: protocol error (LDAP 2)";
    case 3: return "directory server: time limit exceeded (LDAP 3)";
    case 4: return "directory server: size limit exceeded (LDAP 4)";
    case 7: return "directory server: authentication method not supported (LDAP 7)";
    case 8: return "directory server: stronger authentication required (LDAP 8)";
    case 10: return "directory server: referral to another server (LDAP 10)";
    case 11: return "directory server: administrative limit exceeded (LDAP 11)";
    case 12: return "directory server: unavailable critical extension (LDAP 12)";
    case 13: return "directory server: confidentiality required (LDAP 13)";
    case 18: return "directory server: inappropriate matching (LDAP 18)";
    case 34: return "directory server: invalid DN syntax (LDAP 34)";
    case 36: return "directory server: alias dereferencing problem (LDAP 36)";
    case 53: return "directory server: unwilling to perform (LDAP 53)";
    case 54: return "directory server: loop detected (LDAP 54)";
    case 67: return "directory server: not allowed on RDN (LDAP 67)";
    case 69: return "directory server: object class modifications prohibited (LDAP 69)";
    case 71: return "directory server: affects multiple servers (LDAP 71)";
    case 80: return "directory server: other error (LDAP 80)";
    case 118: return "directory server: operation cancelled (LDAP 118)";
    default: return "directory server: unexpected LDAP result";
    }
}

} // namespace

const char *StatusMeaning(Status code) {
    if (status::IsLdapResult(code))
        return LdapResultMeaning(status::LdapResultBase - code);
    switch (code) {
    case status::Ok: return "success";
    case status::InsufficientSpace: return "disk full: the tree's store cannot grow";
    case status::NotEnoughMemory: return "not enough memory";
    case status::BadKey: return "unknown context key";
    case status::BadContext: return "no such context";
    case status::BufferFull: return "request too large for its buffer";
    case status::BadSyntax: return "unknown syntax";
    case status::BufferEmpty: return "nothing more in the result";
    case status::BadVerb: return "unknown operation";
    case status::InvalidHandle: return "invalid handle";
    case status::NoSuchEntry: return "no such object";
    case status::NoSuchValue: return "no such value";
    case status::NoSuchAttribute: return "no such attribute";
    case status::NoSuchClass: return "no such class";
    case status::EntryAlreadyExists: return "object already exists";
    case status::IllegalAttribute: return "attribute not allowed for this class";
    case status::MissingMandatory: return "mandatory attribute missing";
    case status::IllegalName: return "illegal name";
    case status::IllegalContainment: return "object may not be created here";
    case status::CantHaveMultipleValues: return "attribute holds only one value";
    case status::SyntaxViolation: return "value does not fit the attribute";
    case status::DuplicateValue: return "value already present";
    case status::InconsistentDatabase: return "the tree's store is damaged";
    case status::TransportFailure: return "tree cannot be reached";
    case status::EntryIsNotLeaf: return "container is not empty";
    case status::InvalidRequest: return "invalid request";
    case status::InsufficientBuffer: return "result too large for the buffer";
    case status::FailedAuthentication: return "wrong name or password";
    case status::DsLocked: return "the tree's store is busy";
    case status::NoAccess: return "no access";
    case status::AlreadyAttached: return "already attached";
    case status::ServerUnknown: return "server unknown";
    case status::InvalidPath: return "path is not on a server volume";
    case status::NoMoreTrees: return "no more trees";
    case status::ClientNotConfigured: return "client configuration unusable";
    case status::StoreReadOnly: return "the tree's store is read-only";
    case status::ClearTextPasswordRefused: return "password would travel unencrypted";
    case status::SecureConnectionFailed:
        return "secure connection refused or certificate not trusted";
    case status::LoginLost: return "connection lost: log in again";
    default: return "";
    }
}

} // namespace dsclient

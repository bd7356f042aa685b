#pragma once

#include <cstdint>

namespace dsclient {

// Every operation answers with a signed 32-bit status; 0 is success. The negative codes are the
// directory's own, so messages and tests speak the administrator's language.
using Status = std::int32_t;

namespace status {
constexpr Status Ok = 0;

// Directory codes.
constexpr Status InsufficientSpace = -1;
constexpr Status NotEnoughMemory = -301;
constexpr Status BadKey = -302;
constexpr Status BadContext = -303;
constexpr Status BufferFull = -304;
constexpr Status BadSyntax = -306;
constexpr Status BufferEmpty = -307;
constexpr Status BadVerb = -308;
constexpr Status InvalidHandle = -322;
constexpr Status NoSuchEntry = -601;
constexpr Status NoSuchValue = -602;
constexpr Status NoSuchAttribute = -603;
constexpr Status NoSuchClass = -604;
constexpr Status EntryAlreadyExists = -606;
constexpr Status IllegalAttribute = -608;
constexpr Status MissingMandatory = -609;
constexpr Status IllegalName = -610;
constexpr Status IllegalContainment = -611;
constexpr Status CantHaveMultipleValues = -612;
constexpr Status SyntaxViolation = -613;
constexpr Status DuplicateValue = -614;
constexpr Status InconsistentDatabase = -618;
constexpr Status TransportFailure = -625;
constexpr Status EntryIsNotLeaf = -627;
constexpr Status InvalidRequest = -641;
constexpr Status InsufficientBuffer = -649;
constexpr Status FailedAuthentication = -669;
constexpr Status DsLocked = -663;
constexpr Status NoAccess = -672;

// NetWare call codes (positive, as the calls library reports them).
constexpr Status AlreadyAttached = 0x8800;
constexpr Status ServerUnknown = 0x8847;
constexpr Status InvalidPath = 0x899C;
constexpr Status NoMoreTrees = 0x89FC;

// The client's own configuration is unusable (missing store, unreadable file, no trees).
constexpr Status ClientNotConfigured = -8001;
// The tree's store could be opened for reading only (a read-only file or directory).
constexpr Status StoreReadOnly = -8002;
// A password would cross the network unencrypted to a server that is not this machine.
constexpr Status ClearTextPasswordRefused = -8003;
// The server refused a protected connection, or its certificate is not trusted.
constexpr Status SecureConnectionFailed = -8004;
// The connection a login had bound was lost; its password is not kept, so nothing goes on in
// another identity's name until the user logs in again.
constexpr Status LoginLost = -8005;

// A directory server's answer that has no directory code of its own: the LDAP result code,
// kept visible in the status (LdapResult(53) is -9053).
constexpr Status LdapResultBase = -9000;
constexpr Status LdapResult(int code) {
    return LdapResultBase - code;
}
constexpr bool IsLdapResult(Status code) {
    return code <= LdapResultBase && code > LdapResultBase - 256;
}
} // namespace status

// What a status means, in a few words for the administrator ("no such object"); empty for a
// status the client does not define. Every status above has its meaning here.
const char *StatusMeaning(Status code);

} // namespace dsclient

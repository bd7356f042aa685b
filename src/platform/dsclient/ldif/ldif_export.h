#pragma once

// An embedded store written as LDIF for the project's slapd schema, so the same tree can be
// loaded into a directory server (slapadd, ldapadd) and asked the same questions there.

#include "platform/dsclient/status.h"

#include <ostream>
#include <string>

namespace dsclient::ldap {

// Writes every object of the store below its root, parents before children, under `base` (a DN;
// empty: the top containers are the server's naming contexts). Passwords go as their stored
// hash ({ARGON2}). `problem` says what failed.
Status ExportLdif(const std::string &storePath, const std::string &base, std::ostream &out,
                  std::string &problem);

} // namespace dsclient::ldap

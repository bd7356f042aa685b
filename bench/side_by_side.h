#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace tarnbeck {

struct SideBySideOptions {
    std::vector<std::uint32_t> sizes{10000, 100000};
    unsigned repetitions = 5;
    std::string directory; // generated trees and their LDIF, kept for later runs
    bool durable = false;  // the server flushes each write to disk (its default), not dbnosync
    bool multival = false; // back_mdb keeps "member" and "equivalentToMe" apart from the entry
    std::string only;      // run only the cases whose name holds one of these comma-separated
                           // texts (empty: all)
};

// Tarnbeck on the embedded tree and on a private slapd (through the LDAP backend) beside a
// plain libldap client and ldapsearch on the same slapd, case by case in interleaved
// repetitions; prints min and median per side, the ratios, and whether the names agree.
int RunSideBySide(const SideBySideOptions &options);

} // namespace tarnbeck

#pragma once

// The value list every reader returns: texts in the directory's order, each with an optional
// attached item that the list owns.

#include "platform/dsclient/client.h"

#include <cstdint>
#include <string>
#include <variant>
#include <vector>

namespace tarnbeck {

// Attached to a replica pointer value.
struct TReplica {
    std::uint32_t replicaType = 0;
    std::uint32_t replicaNumber = 0;
    std::uint32_t addressCount = 0;
    bool operator==(const TReplica &) const = default;
};

// Attached to an access control entry.
struct TACL2 {
    std::string protectedAttrName;
    std::string subjectName;
    std::uint32_t privileges = 0;
    bool operator==(const TACL2 &) const = default;
};

// Attached to a network address value.
struct TNetAddress {
    std::string address; // bytes, at most 256
    std::uint32_t addressType = 0;
    bool operator==(const TNetAddress &) const = default;
};

// Attached to a listed subordinate.
struct hobject {
    std::string baseClass; // at most 136 characters
    std::uint32_t subordinateCount = 0;
    std::uint32_t entryFlags = 0;
    bool operator==(const hobject &) const = default;
};

// Attached to an attribute definition's name; kept, never judged.
using AttributeDetails = dsclient::AttributeDefinition;

// Integers are wide enough for both signed amounts and unsigned remote IDs.
using Attachment = std::variant<std::monostate, std::int64_t, TReplica, TACL2, TNetAddress, hobject,
                                AttributeDetails>;

struct ValueItem {
    std::string text;
    Attachment attached;
};

using ValueList = std::vector<ValueItem>;

} // namespace tarnbeck

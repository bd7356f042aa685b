#pragma once

#include <cstdint>
#include <string>
#include <variant>
#include <vector>

namespace dsclient {

// Syntax numbers of attribute values, as the schema reports them.
enum Syntax : std::uint32_t {
    SYN_UNKNOWN = 0,
    SYN_DIST_NAME = 1,
    SYN_CE_STRING = 2,
    SYN_CI_STRING = 3,
    SYN_PR_STRING = 4,
    SYN_NU_STRING = 5,
    SYN_CI_LIST = 6,
    SYN_BOOLEAN = 7,
    SYN_INTEGER = 8,
    SYN_OCTET_STRING = 9,
    SYN_TEL_NUMBER = 10,
    SYN_FAX_NUMBER = 11,
    SYN_NET_ADDRESS = 12,
    SYN_OCTET_LIST = 13,
    SYN_EMAIL_ADDRESS = 14,
    SYN_PATH = 15,
    SYN_REPLICA_POINTER = 16,
    SYN_OBJECT_ACL = 17,
    SYN_PO_ADDRESS = 18,
    SYN_TIMESTAMP = 19,
    SYN_CLASS_NAME = 20,
    SYN_STREAM = 21,
    SYN_COUNTER = 22,
    SYN_BACK_LINK = 23,
    SYN_TIME = 24,
    SYN_TYPED_NAME = 25,
    SYN_HOLD = 26,
    SYN_INTERVAL = 27,
};
constexpr std::uint32_t kHighestValueSyntax = SYN_INTERVAL;

// One owner type per kind of value. Several syntaxes share an owner type; the syntax number
// travels beside the data in AttrValue.

// SYN_DIST_NAME, SYN_CE_STRING, SYN_CI_STRING, SYN_PR_STRING, SYN_NU_STRING, SYN_TEL_NUMBER,
// SYN_CLASS_NAME. A distinguished name is a typeless dotted name.
struct Text {
    std::string text;
    bool operator==(const Text &) const = default;
};
// SYN_BOOLEAN
struct Boolean {
    bool value = false;
    bool operator==(const Boolean &) const = default;
};
// SYN_INTEGER, SYN_COUNTER, SYN_INTERVAL
struct Integer {
    std::int32_t value = 0;
    bool operator==(const Integer &) const = default;
};
// SYN_TIME: seconds since 1970-01-01 00:00 UTC.
struct Time {
    std::uint32_t seconds = 0;
    bool operator==(const Time &) const = default;
};
// SYN_OCTET_STRING, SYN_STREAM, SYN_UNKNOWN: raw bytes.
struct Octets {
    std::string bytes;
    bool operator==(const Octets &) const = default;
};
// SYN_CI_LIST, SYN_OCTET_LIST, SYN_PO_ADDRESS (at most six lines).
struct TextList {
    std::vector<std::string> items;
    bool operator==(const TextList &) const = default;
};
// SYN_PATH
struct Path {
    std::uint32_t nameSpaceType = 0;
    std::string volumeName; // dotted name of a Volume object
    std::string path;
    bool operator==(const Path &) const = default;
};
// SYN_EMAIL_ADDRESS
struct EMailAddress {
    std::uint32_t type = 0;
    std::string address;
    bool operator==(const EMailAddress &) const = default;
};
// SYN_FAX_NUMBER
struct FaxNumber {
    std::string telephoneNumber;
    std::string parameters; // bit string, as bytes
    bool operator==(const FaxNumber &) const = default;
};
// SYN_NET_ADDRESS
struct NetAddress {
    std::uint32_t addressType = 0;
    std::string address; // bytes, at most 256
    bool operator==(const NetAddress &) const = default;
};
// SYN_TYPED_NAME
struct TypedName {
    std::string objectName;
    std::uint32_t level = 0;
    std::uint32_t interval = 0;
    bool operator==(const TypedName &) const = default;
};
// SYN_HOLD
struct Hold {
    std::string objectName;
    std::int32_t amount = 0;
    bool operator==(const Hold &) const = default;
};
// SYN_BACK_LINK
struct BackLink {
    std::uint32_t remoteId = 0;
    std::string objectName;
    bool operator==(const BackLink &) const = default;
};
// SYN_REPLICA_POINTER
struct ReplicaPointer {
    std::string serverName;
    std::uint32_t replicaType = 0;
    std::uint32_t replicaNumber = 0;
    std::vector<NetAddress> addresses;
    bool operator==(const ReplicaPointer &) const = default;
};
// SYN_OBJECT_ACL
struct ObjectACL {
    std::string protectedAttrName;
    std::string subjectName;
    std::uint32_t privileges = 0;
    bool operator==(const ObjectACL &) const = default;
};
// SYN_TIMESTAMP
struct Timestamp {
    std::uint32_t wholeSeconds = 0;
    std::uint16_t replicaNumber = 0;
    std::uint16_t eventId = 0;
    bool operator==(const Timestamp &) const = default;
};

using ValueData = std::variant<Text, Boolean, Integer, Time, Octets, TextList, Path, EMailAddress,
                               FaxNumber, NetAddress, TypedName, Hold, BackLink, ReplicaPointer,
                               ObjectACL, Timestamp>;

struct AttrValue {
    std::uint32_t syntax = SYN_UNKNOWN;
    ValueData data;
    bool operator==(const AttrValue &) const = default;
};

// Names, strings, telephone numbers and class names: the syntaxes whose values are plain text.
bool IsTextSyntax(std::uint32_t syntax);

// True when `data` holds the owner type of `syntax` (a request carrying anything else is
// refused with SyntaxViolation).
bool HoldsOwnerType(std::uint32_t syntax, const ValueData &data);

// A rough byte size of a value as it would travel in a buffer; buffers account by it.
std::size_t EncodedSize(const AttrValue &value);

} // namespace dsclient

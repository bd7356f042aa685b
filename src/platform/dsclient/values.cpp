#include "platform/dsclient/values.h"

namespace dsclient {

namespace {

// Fixed part of every value in a buffer: syntax and length.
constexpr std::size_t kValueHeader = 8;
constexpr std::size_t kNumber = 4;

std::size_t SizeOf(const std::string &s) {
    return kNumber + s.size();
}

std::size_t Payload(const Text &v) {
    return SizeOf(v.text);
}
std::size_t Payload(const Boolean &) {
    return kNumber;
}
std::size_t Payload(const Integer &) {
    return kNumber;
}
std::size_t Payload(const Time &) {
    return kNumber;
}
std::size_t Payload(const Octets &v) {
    return SizeOf(v.bytes);
}
std::size_t Payload(const TextList &v) {
    std::size_t size = kNumber;
    for (const auto &item : v.items)
        size += SizeOf(item);
    return size;
}
std::size_t Payload(const Path &v) {
    return kNumber + SizeOf(v.volumeName) + SizeOf(v.path);
}
std::size_t Payload(const EMailAddress &v) {
    return kNumber + SizeOf(v.address);
}
std::size_t Payload(const FaxNumber &v) {
    return SizeOf(v.telephoneNumber) + SizeOf(v.parameters);
}
std::size_t Payload(const NetAddress &v) {
    return kNumber + SizeOf(v.address);
}
std::size_t Payload(const TypedName &v) {
    return SizeOf(v.objectName) + 2 * kNumber;
}
std::size_t Payload(const Hold &v) {
    return SizeOf(v.objectName) + kNumber;
}
std::size_t Payload(const BackLink &v) {
    return kNumber + SizeOf(v.objectName);
}
std::size_t Payload(const ReplicaPointer &v) {
    std::size_t size = SizeOf(v.serverName) + 3 * kNumber;
    for (const auto &address : v.addresses)
        size += Payload(address);
    return size;
}
std::size_t Payload(const ObjectACL &v) {
    return SizeOf(v.protectedAttrName) + SizeOf(v.subjectName) + kNumber;
}
std::size_t Payload(const Timestamp &) {
    return 3 * kNumber;
}

} // namespace

bool IsTextSyntax(std::uint32_t syntax) {
    switch (syntax) {
    case SYN_DIST_NAME:
    case SYN_CE_STRING:
    case SYN_CI_STRING:
    case SYN_PR_STRING:
    case SYN_NU_STRING:
    case SYN_TEL_NUMBER:
    case SYN_CLASS_NAME:
        return true;
    default:
        return false;
    }
}

bool HoldsOwnerType(std::uint32_t syntax, const ValueData &data) {
    if (IsTextSyntax(syntax))
        return std::holds_alternative<Text>(data);
    switch (syntax) {
    case SYN_BOOLEAN:
        return std::holds_alternative<Boolean>(data);
    case SYN_INTEGER:
    case SYN_COUNTER:
    case SYN_INTERVAL:
        return std::holds_alternative<Integer>(data);
    case SYN_TIME:
        return std::holds_alternative<Time>(data);
    case SYN_UNKNOWN:
    case SYN_OCTET_STRING:
    case SYN_STREAM:
        return std::holds_alternative<Octets>(data);
    case SYN_CI_LIST:
    case SYN_OCTET_LIST:
    case SYN_PO_ADDRESS:
        return std::holds_alternative<TextList>(data);
    case SYN_PATH:
        return std::holds_alternative<Path>(data);
    case SYN_EMAIL_ADDRESS:
        return std::holds_alternative<EMailAddress>(data);
    case SYN_FAX_NUMBER:
        return std::holds_alternative<FaxNumber>(data);
    case SYN_NET_ADDRESS:
        return std::holds_alternative<NetAddress>(data);
    case SYN_TYPED_NAME:
        return std::holds_alternative<TypedName>(data);
    case SYN_HOLD:
        return std::holds_alternative<Hold>(data);
    case SYN_BACK_LINK:
        return std::holds_alternative<BackLink>(data);
    case SYN_REPLICA_POINTER:
        return std::holds_alternative<ReplicaPointer>(data);
    case SYN_OBJECT_ACL:
        return std::holds_alternative<ObjectACL>(data);
    case SYN_TIMESTAMP:
        return std::holds_alternative<Timestamp>(data);
    default:
        return false;
    }
}

std::size_t EncodedSize(const AttrValue &value) {
    return kValueHeader + std::visit([](const auto &v) { return Payload(v); }, value.data);
}

} // namespace dsclient

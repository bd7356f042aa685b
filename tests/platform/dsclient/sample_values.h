#pragma once

// One characteristic value per syntax, with awkward content (blanks, zero bytes, negatives).

#include "platform/dsclient/values.h"

#include <string>
#include <vector>

namespace dsclient::testing {

inline AttrValue SampleValue(std::uint32_t syntax) {
    using namespace std::string_literals;
    switch (syntax) {
    case SYN_UNKNOWN:
        return {syntax, Octets{"\x00\x01raw"s}};
    case SYN_DIST_NAME:
        return {syntax, Text{"Joe.Sales.Acme"}};
    case SYN_CE_STRING:
        return {syntax, Text{"/bin/Bash"}};
    case SYN_CI_STRING:
        return {syntax, Text{" Spaced Text "}};
    case SYN_PR_STRING:
        return {syntax, Text{"DE"}};
    case SYN_NU_STRING:
        return {syntax, Text{"12 34"}};
    case SYN_CI_LIST:
        return {syntax, TextList{{"English", "German"}}};
    case SYN_BOOLEAN:
        return {syntax, Boolean{true}};
    case SYN_INTEGER:
        return {syntax, Integer{-1}};
    case SYN_OCTET_STRING:
        return {syntax, Octets{"  key\x00\xff  "s}};
    case SYN_TEL_NUMBER:
        return {syntax, Text{"+49 30 1234"}};
    case SYN_FAX_NUMBER:
        return {syntax, FaxNumber{"+49 30 9999", "\x01\x02"}};
    case SYN_NET_ADDRESS:
        return {syntax, NetAddress{9, "\x01\xBB\x0A\x00\x00\x01"s}};
    case SYN_OCTET_LIST:
        return {syntax, TextList{{"cert-a", "\x00cert-b"s}}};
    case SYN_EMAIL_ADDRESS:
        return {syntax, EMailAddress{1, "joe@acme.example"}};
    case SYN_PATH:
        return {syntax, Path{4, "SYS.Acme", "users\\joe"}};
    case SYN_REPLICA_POINTER:
        return {syntax, ReplicaPointer{"ACME-FS1", 1, 2, {NetAddress{1, "\x0A\x00\x00\x05"}}}};
    case SYN_OBJECT_ACL:
        return {syntax, ObjectACL{"[Entry Rights]", "Admin.Acme", 0x1F}};
    case SYN_PO_ADDRESS:
        return {syntax, TextList{{"Acme GmbH", "Hauptstr. 1", "10115 Berlin"}}};
    case SYN_TIMESTAMP:
        return {syntax, Timestamp{1700000000, 3, 42}};
    case SYN_CLASS_NAME:
        return {syntax, Text{"posixAccount"}};
    case SYN_STREAM:
        return {syntax, Octets{"MAP F:=SYS:\nWRITE \"hi\""}};
    case SYN_COUNTER:
        return {syntax, Integer{2147483647}};
    case SYN_BACK_LINK:
        return {syntax, BackLink{77, "Joe.Sales.Acme"}};
    case SYN_TIME:
        return {syntax, Time{4000000000u}};
    case SYN_TYPED_NAME:
        return {syntax, TypedName{"Joe.Sales.Acme", 2, 30}};
    case SYN_HOLD:
        return {syntax, Hold{"Joe.Sales.Acme", -250}};
    case SYN_INTERVAL:
        return {syntax, Integer{1800}};
    default:
        return {syntax, Octets{}};
    }
}

} // namespace dsclient::testing

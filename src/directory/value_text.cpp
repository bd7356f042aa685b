#include "directory/value_text.h"

#include "directory/directory_error.h"

#include <cstdio>
#include <ctime>

namespace tarnbeck {

using namespace dsclient;

namespace {

// A value whose data does not fit its syntax is malformed: say so instead of guessing.
template <typename T> const T &DataOf(const AttrValue &value) {
    const T *data = std::get_if<T>(&value.data);
    if (!data)
        throw DirectoryError(status::BadSyntax);
    return *data;
}

std::string HexBytes(std::string_view bytes, std::size_t blankAfter, std::size_t colonAfter) {
    static const char digits[] = "0123456789ABCDEF";
    std::string out;
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        if (i > 0 && i == blankAfter)
            out += ' ';
        if (i > 0 && i == colonAfter)
            out += ':';
        const auto b = static_cast<unsigned char>(bytes[i]);
        out += digits[b >> 4];
        out += digits[b & 0x0F];
    }
    return out;
}

std::string DecimalBytes(std::string_view bytes) {
    std::string out;
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        if (i > 0)
            out += '.';
        out += std::to_string(static_cast<unsigned char>(bytes[i]));
    }
    return out;
}

std::string Joined(std::string_view a, char separator, std::string_view b) {
    std::string out(a);
    out += separator;
    out += b;
    return out;
}

std::string PathText(const AttrValue &value, char separator) {
    const auto &path = DataOf<Path>(value);
    return Joined(Trimmed(path.volumeName), separator, Trimmed(path.path));
}

std::string TypedNameText(const AttrValue &value, char separator) {
    const auto &typed = DataOf<dsclient::TypedName>(value);
    return typed.objectName + separator + std::to_string(typed.level) + separator +
           std::to_string(typed.interval);
}

constexpr std::size_t kMaxBackLinkName = 513;
constexpr std::size_t kMaxValueText = 4097;

} // namespace

std::string NetAddressText(std::uint32_t addressType, std::string_view bytes) {
    switch (addressType) {
    case 0: // network, node, socket
        return HexBytes(bytes, 4, 10);
    case 1:
        return DecimalBytes(bytes);
    case 8:
    case 9: { // port first, then the IP address
        if (bytes.size() < 2)
            break;
        const unsigned port =
            static_cast<unsigned char>(bytes[0]) * 256u + static_cast<unsigned char>(bytes[1]);
        return DecimalBytes(bytes.substr(2)) + ":" + std::to_string(port);
    }
    case 13: {
        std::string out;
        for (std::size_t i = 0; i < bytes.size(); i += 2)
            out += bytes[i];
        return out;
    }
    default:
        break;
    }
    return HexBytes(bytes, std::string_view::npos, std::string_view::npos);
}

std::string LocalTimeText(std::uint32_t seconds) {
    const std::time_t when = static_cast<std::time_t>(seconds);
    std::tm local{};
    if (!localtime_r(&when, &local))
        return std::to_string(seconds);
    char text[128];
    const std::size_t length = std::strftime(text, sizeof text, "%x %X", &local);
    return std::string(text, length);
}

std::string Trimmed(std::string_view text) {
    const auto blank = [](char c) { return static_cast<unsigned char>(c) <= ' '; };
    while (!text.empty() && blank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && blank(text.back()))
        text.remove_suffix(1);
    return std::string(text);
}

void AppendValueItems(const AttrValue &value, std::uint32_t syntax, char separator,
                      ValueList &list) {
    if (dsclient::IsTextSyntax(syntax)) {
        list.push_back({DataOf<Text>(value).text.substr(0, kMaxValueText), {}});
        return;
    }
    switch (syntax) {
    case SYN_BOOLEAN:
        list.push_back({DataOf<Boolean>(value).value ? "TRUE" : "FALSE", {}});
        break;
    case SYN_INTEGER:
    case SYN_COUNTER:
    case SYN_INTERVAL:
        list.push_back({std::to_string(DataOf<Integer>(value).value), {}});
        break;
    case SYN_TIME:
        list.push_back({LocalTimeText(DataOf<Time>(value).seconds), {}});
        break;
    case SYN_PATH:
        list.push_back({PathText(value, separator), {}});
        break;
    case SYN_EMAIL_ADDRESS: {
        const auto &mail = DataOf<EMailAddress>(value);
        list.push_back({Joined(std::to_string(mail.type), separator, mail.address), {}});
        break;
    }
    case SYN_FAX_NUMBER:
        list.push_back({DataOf<FaxNumber>(value).telephoneNumber, {}});
        break;
    case SYN_TYPED_NAME:
        list.push_back({TypedNameText(value, separator), {}});
        break;
    case SYN_HOLD: {
        const auto &hold = DataOf<Hold>(value);
        list.push_back({Trimmed(hold.objectName), std::int64_t{hold.amount}});
        break;
    }
    case SYN_BACK_LINK: {
        const auto &link = DataOf<BackLink>(value);
        list.push_back({link.objectName.substr(0, kMaxBackLinkName), std::int64_t{link.remoteId}});
        break;
    }
    case SYN_REPLICA_POINTER: {
        const auto &replica = DataOf<ReplicaPointer>(value);
        list.push_back(
            {replica.serverName, TReplica{replica.replicaType, replica.replicaNumber,
                                          static_cast<std::uint32_t>(replica.addresses.size())}});
        break;
    }
    case SYN_OBJECT_ACL: {
        const auto &acl = DataOf<ObjectACL>(value);
        list.push_back(
            {acl.protectedAttrName, TACL2{acl.protectedAttrName, acl.subjectName, acl.privileges}});
        break;
    }
    case SYN_NET_ADDRESS: {
        const auto &address = DataOf<NetAddress>(value);
        list.push_back({std::string(), TNetAddress{address.address, address.addressType}});
        break;
    }
    case SYN_CI_LIST:
        for (const std::string &item : DataOf<TextList>(value).items)
            list.push_back({item, {}});
        // Marks where one list value ends and the next begins.
        list.push_back({std::string(), std::int64_t{1}});
        break;
    case SYN_UNKNOWN:
    case SYN_OCTET_STRING:
    case SYN_OCTET_LIST:
    case SYN_PO_ADDRESS:
    case SYN_TIMESTAMP:
    case SYN_STREAM:
        list.push_back({"too complex", {}});
        break;
    default: // schema-only syntaxes carry no values
        break;
    }
}

void FoldValueText(const AttrValue &value, std::uint32_t syntax, std::string &text) {
    constexpr char separator = ';';
    if (dsclient::IsTextSyntax(syntax)) {
        text += DataOf<Text>(value).text;
        return;
    }
    switch (syntax) {
    case SYN_BOOLEAN:
        text = DataOf<Boolean>(value).value ? "TRUE" : "FALSE";
        break;
    case SYN_INTEGER:
    case SYN_COUNTER:
    case SYN_INTERVAL:
        text = std::to_string(DataOf<Integer>(value).value);
        break;
    case SYN_TIME: // kept as the number: callers store and compare it
        text = std::to_string(DataOf<Time>(value).seconds);
        break;
    case SYN_PATH:
        text = PathText(value, separator);
        break;
    case SYN_HOLD: {
        const auto &hold = DataOf<Hold>(value);
        text = Joined(Trimmed(hold.objectName), separator, std::to_string(hold.amount));
        break;
    }
    case SYN_OCTET_STRING:
        text = DataOf<Octets>(value).bytes;
        break;
    case SYN_BACK_LINK: {
        const auto &link = DataOf<BackLink>(value);
        text = Joined(link.objectName, separator, std::to_string(link.remoteId));
        break;
    }
    case SYN_FAX_NUMBER:
        text = DataOf<FaxNumber>(value).telephoneNumber;
        break;
    case SYN_TYPED_NAME:
        text = TypedNameText(value, separator);
        break;
    case SYN_NET_ADDRESS: {
        const auto &address = DataOf<NetAddress>(value);
        text = NetAddressText(address.addressType, address.address);
        break;
    }
    case SYN_UNKNOWN:
    case SYN_CI_LIST:
    case SYN_OCTET_LIST:
    case SYN_EMAIL_ADDRESS:
    case SYN_OBJECT_ACL:
    case SYN_PO_ADDRESS:
    case SYN_TIMESTAMP:
    case SYN_STREAM:
        text = "Too Complex";
        break;
    default: // replica pointers and schema-only syntaxes leave the text as it is
        break;
    }
}

} // namespace tarnbeck

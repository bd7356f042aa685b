#include "platform/dsclient/ldap/value_codec.h"

#include <charconv>
#include <ctime>
#include <vector>

namespace dsclient::ldap {

namespace {

template <typename Number> bool ParseNumber(std::string_view text, Number &number) {
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), number);
    return error == std::errc() && end == text.data() + text.size() && !text.empty();
}

std::string Hex(std::string_view bytes) {
    static const char digits[] = "0123456789ABCDEF";
    std::string hex;
    for (unsigned char c : bytes) {
        hex += digits[c >> 4];
        hex += digits[c & 15];
    }
    return hex;
}

bool Unhex(std::string_view hex, std::string &bytes) {
    if (hex.size() % 2)
        return false;
    bytes.clear();
    for (std::size_t i = 0; i < hex.size(); i += 2) {
        unsigned value = 0;
        const auto [end, error] = std::from_chars(hex.data() + i, hex.data() + i + 2, value, 16);
        if (error != std::errc() || end != hex.data() + i + 2)
            return false;
        bytes += static_cast<char>(value);
    }
    return true;
}

// Lines of a list, "$"-separated with "\24" for a "$" and "\5C" for a "\" inside a line.
std::string JoinLines(const std::vector<std::string> &items) {
    std::string joined;
    for (std::size_t i = 0; i < items.size(); ++i) {
        if (i > 0)
            joined += '$';
        for (char c : items[i]) {
            if (c == '$')
                joined += "\\24";
            else if (c == '\\')
                joined += "\\5C";
            else
                joined += c;
        }
    }
    return joined;
}

std::vector<std::string> SplitLines(std::string_view text) {
    std::vector<std::string> items(1);
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '$') {
            items.emplace_back();
        } else if (text[i] == '\\' && (text.substr(i + 1, 2) == "24" ||
                                        text.substr(i + 1, 2) == "5C" ||
                                        text.substr(i + 1, 2) == "5c")) {
            items.back() += text[i + 1] == '2' ? '$' : '\\';
            i += 2;
        } else {
            items.back() += text[i];
        }
    }
    return items;
}

// The fields of a composite value, "#"-separated, with "\23" for a "#" and "\5C" for a "\"
// inside a field, so names and paths may hold either.
std::string JoinFields(const std::vector<std::string> &fields) {
    std::string joined;
    for (std::size_t i = 0; i < fields.size(); ++i) {
        if (i > 0)
            joined += '#';
        for (char c : fields[i]) {
            if (c == '#')
                joined += "\\23";
            else if (c == '\\')
                joined += "\\5C";
            else
                joined += c;
        }
    }
    return joined;
}

std::vector<std::string> SplitFields(std::string_view text) {
    std::vector<std::string> fields(1);
    for (std::size_t i = 0; i < text.size(); ++i) {
        const std::string_view code = text.substr(i + 1, 2);
        if (text[i] == '#') {
            fields.emplace_back();
        } else if (text[i] == '\\' && (code == "23" || code == "5C" || code == "5c")) {
            fields.back() += code == "23" ? '#' : '\\';
            i += 2;
        } else {
            fields.back() += text[i];
        }
    }
    return fields;
}

struct Encoder {
    std::uint32_t syntax;
    const NameTable &names;
    const DnLookup &dnOf;
    std::string &out;

    Status operator()(const Text &v) const {
        if (syntax == SYN_DIST_NAME)
            return dnOf(v.text, out);
        out = syntax == SYN_CLASS_NAME ? names.ToLdap(v.text) : v.text;
        return status::Ok;
    }
    Status operator()(const Boolean &v) const { return Set(v.value ? "TRUE" : "FALSE"); }
    Status operator()(const Integer &v) const { return Set(std::to_string(v.value)); }
    Status operator()(const Time &v) const { return Set(GeneralizedTime(v.seconds)); }
    Status operator()(const Octets &v) const { return Set(v.bytes); }
    Status operator()(const TextList &v) const { return Set(JoinLines(v.items)); }
    Status operator()(const Path &v) const {
        return Set(JoinFields({std::to_string(v.nameSpaceType), v.volumeName, v.path}));
    }
    Status operator()(const EMailAddress &v) const {
        return Set(JoinFields({std::to_string(v.type), v.address}));
    }
    Status operator()(const FaxNumber &v) const { return Set(v.telephoneNumber); }
    Status operator()(const NetAddress &v) const {
        return Set(JoinFields({std::to_string(v.addressType), Hex(v.address)}));
    }
    Status operator()(const TypedName &v) const {
        return Set(JoinFields({std::to_string(v.level), std::to_string(v.interval), v.objectName}));
    }
    Status operator()(const Hold &v) const {
        return Set(JoinFields({std::to_string(v.amount), v.objectName}));
    }
    Status operator()(const BackLink &v) const {
        return Set(JoinFields({std::to_string(v.remoteId), v.objectName}));
    }
    Status operator()(const ReplicaPointer &v) const {
        std::vector<std::string> fields = {std::to_string(v.replicaType),
                                           std::to_string(v.replicaNumber),
                                           std::to_string(v.addresses.size())};
        for (const auto &address : v.addresses) {
            fields.push_back(std::to_string(address.addressType));
            fields.push_back(Hex(address.address));
        }
        fields.push_back(v.serverName);
        return Set(JoinFields(fields));
    }
    Status operator()(const ObjectACL &v) const {
        return Set(
            JoinFields({std::to_string(v.privileges), v.protectedAttrName, v.subjectName}));
    }
    Status operator()(const Timestamp &v) const {
        return Set(JoinFields({std::to_string(v.wholeSeconds), std::to_string(v.replicaNumber),
                               std::to_string(v.eventId)}));
    }

    Status Set(std::string text) const {
        out = std::move(text);
        return status::Ok;
    }
};

bool DecodeComposite(std::uint32_t syntax, std::string_view bytes, ValueData &data) {
    const std::vector<std::string> f = SplitFields(bytes);
    switch (syntax) {
    case SYN_PATH: {
        Path path;
        if (f.size() != 3 || !ParseNumber(std::string_view(f[0]), path.nameSpaceType))
            return false;
        path.volumeName = f[1];
        path.path = f[2];
        data = path;
        return true;
    }
    case SYN_EMAIL_ADDRESS: {
        EMailAddress mail;
        if (f.size() != 2 || !ParseNumber(std::string_view(f[0]), mail.type))
            return false;
        mail.address = f[1];
        data = mail;
        return true;
    }
    case SYN_NET_ADDRESS: {
        NetAddress address;
        if (f.size() != 2 || !ParseNumber(std::string_view(f[0]), address.addressType) ||
            !Unhex(f[1], address.address))
            return false;
        data = address;
        return true;
    }
    case SYN_TYPED_NAME: {
        TypedName name;
        if (f.size() != 3 || !ParseNumber(std::string_view(f[0]), name.level) ||
            !ParseNumber(std::string_view(f[1]), name.interval))
            return false;
        name.objectName = f[2];
        data = name;
        return true;
    }
    case SYN_HOLD: {
        Hold hold;
        if (f.size() != 2 || !ParseNumber(std::string_view(f[0]), hold.amount))
            return false;
        hold.objectName = f[1];
        data = hold;
        return true;
    }
    case SYN_BACK_LINK: {
        BackLink link;
        if (f.size() != 2 || !ParseNumber(std::string_view(f[0]), link.remoteId))
            return false;
        link.objectName = f[1];
        data = link;
        return true;
    }
    case SYN_OBJECT_ACL: {
        ObjectACL acl;
        if (f.size() != 3 || !ParseNumber(std::string_view(f[0]), acl.privileges))
            return false;
        acl.protectedAttrName = f[1];
        acl.subjectName = f[2];
        data = acl;
        return true;
    }
    case SYN_TIMESTAMP: {
        Timestamp stamp;
        if (f.size() != 3 || !ParseNumber(std::string_view(f[0]), stamp.wholeSeconds) ||
            !ParseNumber(std::string_view(f[1]), stamp.replicaNumber) ||
            !ParseNumber(std::string_view(f[2]), stamp.eventId))
            return false;
        data = stamp;
        return true;
    }
    case SYN_REPLICA_POINTER: {
        ReplicaPointer replica;
        std::size_t count = 0;
        if (f.size() < 4 || !ParseNumber(std::string_view(f[0]), replica.replicaType) ||
            !ParseNumber(std::string_view(f[1]), replica.replicaNumber) ||
            !ParseNumber(std::string_view(f[2]), count) || f.size() != 4 + 2 * count)
            return false;
        for (std::size_t i = 0; i < count; ++i) {
            NetAddress address;
            if (!ParseNumber(std::string_view(f[3 + 2 * i]), address.addressType) ||
                !Unhex(f[4 + 2 * i], address.address))
                return false;
            replica.addresses.push_back(std::move(address));
        }
        replica.serverName = f.back();
        data = replica;
        return true;
    }
    default:
        return false;
    }
}

} // namespace

bool Fits(const AttrValue &value, std::uint32_t syntax) {
    if ((value.syntax == SYN_DIST_NAME) != (syntax == SYN_DIST_NAME))
        return false;
    return HoldsOwnerType(syntax, value.data);
}

Status EncodeValue(const AttrValue &value, std::uint32_t syntax, const NameTable &names,
                   const DnLookup &dnOf, std::string &out) {
    return std::visit(Encoder{syntax, names, dnOf, out}, value.data);
}

bool DecodeValue(std::uint32_t syntax, std::string_view bytes, const NameTable &names,
                 const DottedLookup &dottedOf, AttrValue &out) {
    out.syntax = syntax;
    switch (syntax) {
    case SYN_DIST_NAME: {
        std::string dotted;
        // A reference outside the tree keeps its DN, so nothing read is dropped.
        out.data = Text{dottedOf(bytes, dotted) ? dotted : std::string(bytes)};
        return true;
    }
    case SYN_CLASS_NAME:
        out.data = Text{names.ToDirectory(bytes)};
        return true;
    case SYN_CE_STRING:
    case SYN_CI_STRING:
    case SYN_PR_STRING:
    case SYN_NU_STRING:
    case SYN_TEL_NUMBER:
        out.data = Text{std::string(bytes)};
        return true;
    case SYN_BOOLEAN:
        if (bytes != "TRUE" && bytes != "FALSE")
            return false;
        out.data = Boolean{bytes == "TRUE"};
        return true;
    case SYN_INTEGER:
    case SYN_COUNTER:
    case SYN_INTERVAL: {
        Integer number;
        if (!ParseNumber(bytes, number.value))
            return false;
        out.data = number;
        return true;
    }
    case SYN_TIME: {
        Time time;
        if (!ParseGeneralizedTime(bytes, time.seconds))
            return false;
        out.data = time;
        return true;
    }
    case SYN_CI_LIST:
    case SYN_OCTET_LIST:
    case SYN_PO_ADDRESS:
        out.data = TextList{SplitLines(bytes)};
        return true;
    case SYN_FAX_NUMBER:
        out.data = FaxNumber{std::string(bytes), {}};
        return true;
    case SYN_UNKNOWN:
    case SYN_OCTET_STRING:
    case SYN_STREAM:
        out.data = Octets{std::string(bytes)};
        return true;
    default:
        return DecodeComposite(syntax, bytes, out.data);
    }
}

std::string GeneralizedTime(std::uint32_t seconds) {
    const std::time_t time = seconds;
    std::tm parts{};
    gmtime_r(&time, &parts);
    char text[32];
    std::strftime(text, sizeof text, "%Y%m%d%H%M%SZ", &parts);
    return text;
}

namespace {

// timegm without its cost for the times of ordinary calendar fields: listings read one per
// entry. Days from the civil date, after H. Hinnant's algorithm; fields out of their ranges (a
// leap second, a day 31 of a short month) are left to timegm, which carries them over.
long long SecondsSince1970(std::tm &parts) {
    const int year = parts.tm_year + 1900, month = parts.tm_mon + 1, day = parts.tm_mday;
    const bool leap = year % 4 == 0 && (year % 100 != 0 || year % 400 == 0);
    static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (month < 1 || month > 12 || day < 1 ||
        day > kDays[month - 1] + (month == 2 && leap ? 1 : 0) || parts.tm_hour > 23 ||
        parts.tm_min > 59 || parts.tm_sec > 59)
        return static_cast<long long>(timegm(&parts));
    const int y = month <= 2 ? year - 1 : year;
    const int era = (y >= 0 ? y : y - 399) / 400;
    const int yearOfEra = y - era * 400;
    const int dayOfYear = (153 * (month > 2 ? month - 3 : month + 9) + 2) / 5 + day - 1;
    const int dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    const long long days = static_cast<long long>(era) * 146097 + dayOfEra - 719468;
    return days * 86400 + parts.tm_hour * 3600 + parts.tm_min * 60 + parts.tm_sec;
}

} // namespace

bool ParseGeneralizedTime(std::string_view text, std::uint32_t &seconds) {
    // YYYYMMDDHH[MM[SS]][(.|,)fraction](Z|+hhmm|-hhmm)
    std::size_t digits = 0;
    while (digits < text.size() && text[digits] >= '0' && text[digits] <= '9')
        ++digits;
    if (digits != 10 && digits != 12 && digits != 14)
        return false;
    const auto field = [&](std::size_t at, std::size_t length) {
        int value = 0;
        std::from_chars(text.data() + at, text.data() + at + length, value);
        return value;
    };
    std::tm parts{};
    parts.tm_year = field(0, 4) - 1900;
    parts.tm_mon = field(4, 2) - 1;
    parts.tm_mday = field(6, 2);
    parts.tm_hour = field(8, 2);
    parts.tm_min = digits >= 12 ? field(10, 2) : 0;
    parts.tm_sec = digits >= 14 ? field(12, 2) : 0;
    std::size_t at = digits;
    if (at < text.size() && (text[at] == '.' || text[at] == ','))
        for (++at; at < text.size() && text[at] >= '0' && text[at] <= '9';)
            ++at;
    long offset = 0;
    if (at < text.size() && text[at] == 'Z') {
        ++at;
    } else if (at + 5 == text.size() && (text[at] == '+' || text[at] == '-')) {
        offset = (field(at + 1, 2) * 60L + field(at + 3, 2)) * 60L * (text[at] == '+' ? 1 : -1);
        at += 5;
    } else {
        return false;
    }
    if (at != text.size())
        return false;
    const long long value = SecondsSince1970(parts) - offset;
    if (value < 0 || value > 0xFFFFFFFFLL)
        return false;
    seconds = static_cast<std::uint32_t>(value);
    return true;
}

} // namespace dsclient::ldap

#include "platform/dsclient/embedded/value_codec.h"

#include "platform/dsclient/dotted_names.h"
#include "platform/dsclient/filter.h"

#include <cstring>

namespace dsclient::embedded {

namespace {

class Writer {
  public:
    void U32(std::uint32_t v) {
        for (int i = 0; i < 4; ++i)
            out_ += static_cast<char>((v >> (8 * i)) & 0xff);
    }
    void Str(const std::string &s) {
        U32(static_cast<std::uint32_t>(s.size()));
        out_ += s;
    }
    void List(const std::vector<std::string> &items) {
        U32(static_cast<std::uint32_t>(items.size()));
        for (const auto &item : items)
            Str(item);
    }
    std::string take() { return std::move(out_); }

  private:
    std::string out_;
};

class Reader {
  public:
    explicit Reader(const std::string &in) : in_(in) {}
    bool U32(std::uint32_t &v) {
        if (in_.size() - pos_ < 4)
            return fail();
        v = 0;
        for (int i = 0; i < 4; ++i)
            v |= static_cast<std::uint32_t>(static_cast<unsigned char>(in_[pos_ + i])) << (8 * i);
        pos_ += 4;
        return true;
    }
    bool I32(std::int32_t &v) {
        std::uint32_t u = 0;
        if (!U32(u))
            return false;
        v = static_cast<std::int32_t>(u);
        return true;
    }
    bool U16(std::uint16_t &v) {
        std::uint32_t u = 0;
        if (!U32(u) || u > 0xffff)
            return fail();
        v = static_cast<std::uint16_t>(u);
        return true;
    }
    bool Str(std::string &s) {
        std::uint32_t size = 0;
        if (!U32(size) || in_.size() - pos_ < size)
            return fail();
        s = in_.substr(pos_, size);
        pos_ += size;
        return true;
    }
    bool List(std::vector<std::string> &items) {
        std::uint32_t count = 0;
        if (!U32(count) || count > in_.size())
            return fail();
        items.resize(count);
        for (auto &item : items)
            if (!Str(item))
                return false;
        return true;
    }
    bool done() const { return ok_ && pos_ == in_.size(); }

  private:
    bool fail() { return ok_ = false; }
    const std::string &in_;
    std::size_t pos_ = 0;
    bool ok_ = true;
};

void Encode(Writer &w, const Text &v) {
    w.Str(v.text);
}
void Encode(Writer &w, const Boolean &v) {
    w.U32(v.value ? 1 : 0);
}
void Encode(Writer &w, const Integer &v) {
    w.U32(static_cast<std::uint32_t>(v.value));
}
void Encode(Writer &w, const Time &v) {
    w.U32(v.seconds);
}
void Encode(Writer &w, const Octets &v) {
    w.Str(v.bytes);
}
void Encode(Writer &w, const TextList &v) {
    w.List(v.items);
}
void Encode(Writer &w, const Path &v) {
    w.U32(v.nameSpaceType);
    w.Str(v.volumeName);
    w.Str(v.path);
}
void Encode(Writer &w, const EMailAddress &v) {
    w.U32(v.type);
    w.Str(v.address);
}
void Encode(Writer &w, const FaxNumber &v) {
    w.Str(v.telephoneNumber);
    w.Str(v.parameters);
}
void Encode(Writer &w, const NetAddress &v) {
    w.U32(v.addressType);
    w.Str(v.address);
}
void Encode(Writer &w, const TypedName &v) {
    w.Str(v.objectName);
    w.U32(v.level);
    w.U32(v.interval);
}
void Encode(Writer &w, const Hold &v) {
    w.Str(v.objectName);
    w.U32(static_cast<std::uint32_t>(v.amount));
}
void Encode(Writer &w, const BackLink &v) {
    w.U32(v.remoteId);
    w.Str(v.objectName);
}
void Encode(Writer &w, const ReplicaPointer &v) {
    w.Str(v.serverName);
    w.U32(v.replicaType);
    w.U32(v.replicaNumber);
    w.U32(static_cast<std::uint32_t>(v.addresses.size()));
    for (const auto &address : v.addresses)
        Encode(w, address);
}
void Encode(Writer &w, const ObjectACL &v) {
    w.Str(v.protectedAttrName);
    w.Str(v.subjectName);
    w.U32(v.privileges);
}
void Encode(Writer &w, const Timestamp &v) {
    w.U32(v.wholeSeconds);
    w.U32(v.replicaNumber);
    w.U32(v.eventId);
}

bool Decode(Reader &r, NetAddress &v) {
    return r.U32(v.addressType) && r.Str(v.address);
}

bool DecodeData(std::uint32_t syntax, Reader &r, ValueData &data) {
    switch (syntax) {
    case SYN_DIST_NAME:
    case SYN_CE_STRING:
    case SYN_CI_STRING:
    case SYN_PR_STRING:
    case SYN_NU_STRING:
    case SYN_TEL_NUMBER:
    case SYN_CLASS_NAME: {
        Text v;
        data = v;
        return r.Str(std::get<Text>(data).text);
    }
    case SYN_BOOLEAN: {
        std::uint32_t b = 0;
        if (!r.U32(b))
            return false;
        data = Boolean{b != 0};
        return true;
    }
    case SYN_INTEGER:
    case SYN_COUNTER:
    case SYN_INTERVAL: {
        Integer v;
        const bool ok = r.I32(v.value);
        data = v;
        return ok;
    }
    case SYN_TIME: {
        Time v;
        const bool ok = r.U32(v.seconds);
        data = v;
        return ok;
    }
    case SYN_UNKNOWN:
    case SYN_OCTET_STRING:
    case SYN_STREAM: {
        Octets v;
        const bool ok = r.Str(v.bytes);
        data = std::move(v);
        return ok;
    }
    case SYN_CI_LIST:
    case SYN_OCTET_LIST:
    case SYN_PO_ADDRESS: {
        TextList v;
        const bool ok = r.List(v.items);
        data = std::move(v);
        return ok;
    }
    case SYN_PATH: {
        Path v;
        const bool ok = r.U32(v.nameSpaceType) && r.Str(v.volumeName) && r.Str(v.path);
        data = std::move(v);
        return ok;
    }
    case SYN_EMAIL_ADDRESS: {
        EMailAddress v;
        const bool ok = r.U32(v.type) && r.Str(v.address);
        data = std::move(v);
        return ok;
    }
    case SYN_FAX_NUMBER: {
        FaxNumber v;
        const bool ok = r.Str(v.telephoneNumber) && r.Str(v.parameters);
        data = std::move(v);
        return ok;
    }
    case SYN_NET_ADDRESS: {
        NetAddress v;
        const bool ok = Decode(r, v);
        data = std::move(v);
        return ok;
    }
    case SYN_TYPED_NAME: {
        TypedName v;
        const bool ok = r.Str(v.objectName) && r.U32(v.level) && r.U32(v.interval);
        data = std::move(v);
        return ok;
    }
    case SYN_HOLD: {
        Hold v;
        const bool ok = r.Str(v.objectName) && r.I32(v.amount);
        data = std::move(v);
        return ok;
    }
    case SYN_BACK_LINK: {
        BackLink v;
        const bool ok = r.U32(v.remoteId) && r.Str(v.objectName);
        data = std::move(v);
        return ok;
    }
    case SYN_REPLICA_POINTER: {
        ReplicaPointer v;
        std::uint32_t count = 0;
        bool ok = r.Str(v.serverName) && r.U32(v.replicaType) && r.U32(v.replicaNumber) &&
                  r.U32(count) && count <= 256;
        for (std::uint32_t i = 0; ok && i < count; ++i) {
            NetAddress address;
            ok = Decode(r, address);
            v.addresses.push_back(std::move(address));
        }
        data = std::move(v);
        return ok;
    }
    case SYN_OBJECT_ACL: {
        ObjectACL v;
        const bool ok = r.Str(v.protectedAttrName) && r.Str(v.subjectName) && r.U32(v.privileges);
        data = std::move(v);
        return ok;
    }
    case SYN_TIMESTAMP: {
        Timestamp v;
        const bool ok = r.U32(v.wholeSeconds) && r.U16(v.replicaNumber) && r.U16(v.eventId);
        data = v;
        return ok;
    }
    default:
        return false;
    }
}

std::string StripBlanks(const std::string &text) {
    std::string out;
    for (char c : text)
        if (c != ' ')
            out += c;
    return out;
}

} // namespace

std::string EncodeValue(const AttrValue &value) {
    Writer w;
    std::visit([&w](const auto &v) { Encode(w, v); }, value.data);
    return w.take();
}

bool DecodeValue(std::uint32_t syntax, const std::string &bytes, AttrValue &value) {
    Reader r(bytes);
    value.syntax = syntax;
    return DecodeData(syntax, r, value.data) && r.done();
}

std::string EqualityKey(const AttrValue &value) {
    if (const auto *text = std::get_if<Text>(&value.data)) {
        switch (value.syntax) {
        case SYN_CE_STRING:
            return text->text;
        case SYN_NU_STRING:
        case SYN_TEL_NUMBER:
            return LowerAscii(StripBlanks(text->text));
        default:
            return LowerAscii(text->text);
        }
    }
    if (value.syntax == SYN_CI_LIST)
        if (const auto *list = std::get_if<TextList>(&value.data)) {
            TextList lowered;
            for (const auto &item : list->items)
                lowered.items.push_back(LowerAscii(item));
            return EncodeValue(AttrValue{value.syntax, lowered});
        }
    return EncodeValue(value);
}

AttrValue ComparableValue(std::uint32_t syntax, std::string_view key) {
    // The equality key of a string is its index key; that of a number or a truth value is the
    // value's own bytes.
    if (auto text = ValueOfIndexKey(syntax, key); text && std::holds_alternative<Text>(text->data))
        return std::move(*text);
    AttrValue value;
    if (!DecodeValue(syntax, std::string(key), value))
        value = AttrValue{syntax, Octets{}};
    return value;
}

} // namespace dsclient::embedded

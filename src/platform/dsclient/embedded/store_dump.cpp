#include "platform/dsclient/embedded/store.h"

#include <iomanip>
#include <sstream>

namespace dsclient::embedded {

namespace {

std::string Hex(const std::string &bytes) {
    std::ostringstream out;
    for (unsigned char c : bytes)
        out << std::uppercase << std::hex << std::setw(2) << std::setfill('0') << int(c);
    return out.str();
}

std::string Join(const std::vector<std::string> &items) {
    std::string joined;
    for (const auto &item : items)
        joined += (joined.empty() ? "" : " | ") + item;
    return joined;
}

struct ValueText {
    std::string operator()(const Text &v) const { return v.text; }
    std::string operator()(const Boolean &v) const { return v.value ? "TRUE" : "FALSE"; }
    std::string operator()(const Integer &v) const { return std::to_string(v.value); }
    std::string operator()(const Time &v) const { return std::to_string(v.seconds); }
    std::string operator()(const Octets &v) const { return "0x" + Hex(v.bytes); }
    std::string operator()(const TextList &v) const { return Join(v.items); }
    std::string operator()(const Path &v) const {
        return std::to_string(v.nameSpaceType) + ";" + v.volumeName + ";" + v.path;
    }
    std::string operator()(const EMailAddress &v) const {
        return std::to_string(v.type) + ";" + v.address;
    }
    std::string operator()(const FaxNumber &v) const { return v.telephoneNumber; }
    std::string operator()(const NetAddress &v) const {
        return std::to_string(v.addressType) + ";" + Hex(v.address);
    }
    std::string operator()(const TypedName &v) const {
        return v.objectName + ";" + std::to_string(v.level) + ";" + std::to_string(v.interval);
    }
    std::string operator()(const Hold &v) const {
        return v.objectName + ";" + std::to_string(v.amount);
    }
    std::string operator()(const BackLink &v) const {
        return v.objectName + ";" + std::to_string(v.remoteId);
    }
    std::string operator()(const ReplicaPointer &v) const {
        return v.serverName + ";" + std::to_string(v.replicaType) + ";" +
               std::to_string(v.replicaNumber) + ";" + std::to_string(v.addresses.size());
    }
    std::string operator()(const ObjectACL &v) const {
        return v.protectedAttrName + ";" + v.subjectName + ";" + std::to_string(v.privileges);
    }
    std::string operator()(const Timestamp &v) const {
        return std::to_string(v.wholeSeconds) + ";" + std::to_string(v.replicaNumber) + ";" +
               std::to_string(v.eventId);
    }
};

} // namespace

Status Store::Dump(std::ostream &out) {
    out << "Tree " << treeName_ << "\n";
    std::vector<ObjectRow> rows;
    {
        auto select = db_->Prepare("SELECT id, coalesce(parent_id, 0), name, rdn, path_key, "
                                   "base_class, flags, modified FROM objects ORDER BY path_key");
        while (select->Step()) {
            ObjectRow row;
            ReadObjectRow(*select, row);
            rows.push_back(std::move(row));
        }
        if (select->failed())
            return select->status();
    }
    for (const auto &row : rows) {
        out << "\n" << (row.isRoot() ? "[Root]" : row.name) << " (" << row.baseClass << ")\n";
        std::vector<AttributeWithValues> attributes;
        if (const Status s = ReadAttributes(row, nullptr, true, attributes); s != status::Ok)
            return s;
        for (const auto &entry : attributes)
            for (const auto &value : entry.values)
                out << "  " << entry.attribute->name << ": " << std::visit(ValueText{}, value.data)
                    << "\n";
    }
    return out ? status::Ok : status::TransportFailure;
}

} // namespace dsclient::embedded

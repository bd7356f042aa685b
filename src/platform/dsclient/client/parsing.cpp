// Reading result buffers front to back; each call consumes the record it returns.

#include "platform/dsclient/client/client_state.h"

namespace dsclient {

namespace {

using Kind = ResultRecord::Kind;

Status NextRecord(ContextHandle context, Buffer &buffer, Kind kind, const ResultRecord *&record) {
    ContextState *state = nullptr;
    if (const Status s = FindContext(context, state); s != status::Ok)
        return s;
    return buffer.Next(kind, record);
}

Status NextCount(ContextHandle context, Buffer &buffer, std::uint32_t &count) {
    const ResultRecord *record = nullptr;
    if (const Status s = NextRecord(context, buffer, Kind::Count, record); s != status::Ok)
        return s;
    count = record->count;
    return status::Ok;
}

// The next value of the buffer, without consuming it; the caller must ask with the syntax the
// attribute name reported.
Status PeekValue(ContextHandle context, Buffer &buffer, std::uint32_t syntax,
                 const ResultRecord *&record) {
    ContextState *state = nullptr;
    if (const Status s = FindContext(context, state); s != status::Ok)
        return s;
    if (const Status s = buffer.Peek(Kind::Value, record); s != status::Ok)
        return s;
    return record->syntax == syntax ? status::Ok : status::BadSyntax;
}

} // namespace

Status GetAttributeCount(ContextHandle context, Buffer &buffer, std::uint32_t &count) {
    return NextCount(context, buffer, count);
}

Status GetObjectCount(ContextHandle context, Buffer &buffer, std::uint32_t &count) {
    return NextCount(context, buffer, count);
}

Status GetClassItemCount(ContextHandle context, Buffer &buffer, std::uint32_t &count) {
    return NextCount(context, buffer, count);
}

Status GetAttributeName(ContextHandle context, Buffer &buffer, std::string &attributeName,
                        std::uint32_t &valueCount, std::uint32_t &syntax) {
    const ResultRecord *record = nullptr;
    if (const Status s = NextRecord(context, buffer, Kind::AttributeName, record); s != status::Ok)
        return s;
    attributeName = record->name;
    valueCount = record->count;
    syntax = record->syntax;
    return status::Ok;
}

Status ComputeAttributeValueSize(ContextHandle context, Buffer &buffer, std::uint32_t syntax,
                                 std::size_t &size) {
    // Only looks: the value itself is consumed by GetAttributeValue.
    const ResultRecord *record = nullptr;
    if (const Status s = PeekValue(context, buffer, syntax, record); s != status::Ok)
        return s;
    size = EncodedSize(record->value);
    return status::Ok;
}

Status GetAttributeValue(ContextHandle context, Buffer &buffer, std::uint32_t syntax,
                         AttrValue &value) {
    const ResultRecord *record = nullptr;
    if (const Status s = PeekValue(context, buffer, syntax, record); s != status::Ok)
        return s;
    buffer.Next(Kind::Value, record);
    value = record->value;
    return status::Ok;
}

Status GetObjectName(ContextHandle context, Buffer &buffer, std::string &objectName,
                     std::uint32_t &attributeCount, ObjectInfo &info) {
    const ResultRecord *record = nullptr;
    if (const Status s = NextRecord(context, buffer, Kind::ObjectName, record); s != status::Ok)
        return s;
    objectName = record->name;
    attributeCount = record->count;
    info = record->info;
    return status::Ok;
}

Status GetAttributeDefinition(ContextHandle context, Buffer &buffer, std::string &attributeName,
                              AttributeDefinition &definition) {
    const ResultRecord *record = nullptr;
    if (const Status s = NextRecord(context, buffer, Kind::AttributeDefinition, record);
        s != status::Ok)
        return s;
    attributeName = record->name;
    definition = record->definition;
    return status::Ok;
}

Status GetClassItem(ContextHandle context, Buffer &buffer, std::string &className) {
    const ResultRecord *record = nullptr;
    if (const Status s = NextRecord(context, buffer, Kind::ClassItem, record); s != status::Ok)
        return s;
    className = record->name;
    return status::Ok;
}

} // namespace dsclient

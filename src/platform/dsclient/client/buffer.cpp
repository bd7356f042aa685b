#include "platform/dsclient/buffer.h"

#include "platform/dsclient/client/client_state.h"

namespace dsclient {

namespace {
constexpr std::size_t kNumber = 4;
} // namespace

std::size_t NameCost(std::string_view name) {
    return kNumber + name.size() + 1;
}

std::size_t CostOf(const ResultRecord &record) {
    switch (record.kind) {
    case ResultRecord::Kind::Count:
        return kNumber;
    case ResultRecord::Kind::AttributeName:
        return NameCost(record.name) + 2 * kNumber;
    case ResultRecord::Kind::Value:
        return EncodedSize(record.value);
    case ResultRecord::Kind::ObjectName:
        return NameCost(record.name) + 4 * kNumber + NameCost(record.info.baseClass);
    case ResultRecord::Kind::AttributeDefinition:
        return NameCost(record.name) + sizeof(AttributeDefinition);
    case ResultRecord::Kind::ClassItem:
        return NameCost(record.name);
    }
    return kNumber;
}

void Buffer::Initialise(std::uint32_t operation) {
    operation_ = operation;
    initialised_ = true;
    names.clear();
    attributes.clear();
    changes.clear();
    filter.reset();
    records_.clear();
    cursor_ = 0;
    used_ = 0;
}

Status Buffer::Charge(std::size_t bytes) {
    if (!Fits(bytes))
        return status::BufferFull;
    used_ += bytes;
    return status::Ok;
}

void Buffer::BeginResult() {
    records_.clear();
    cursor_ = 0;
    used_ = 0;
    Append(ResultRecord{});
}

bool Buffer::Append(ResultRecord record) {
    const std::size_t cost = CostOf(record);
    if (!Fits(cost))
        return false;
    used_ += cost;
    records_.push_back(std::move(record));
    return true;
}

void Buffer::SetCount(std::uint32_t count) {
    if (!records_.empty())
        records_.front().count = count;
}

void Buffer::Truncate(std::size_t size, std::size_t used) {
    records_.resize(size);
    used_ = used;
}

Status Buffer::Peek(ResultRecord::Kind kind, const ResultRecord *&record) const {
    if (cursor_ >= records_.size())
        return status::BufferEmpty;
    if (records_[cursor_].kind != kind)
        return status::InvalidRequest;
    record = &records_[cursor_];
    return status::Ok;
}

Status Buffer::Next(ResultRecord::Kind kind, const ResultRecord *&record) {
    if (const Status s = Peek(kind, record); s != status::Ok)
        return s;
    ++cursor_;
    return status::Ok;
}

void BufferDeleter::operator()(Buffer *buffer) const {
    delete buffer;
}

Status AllocBuffer(std::size_t capacity, BufferPtr &buffer) {
    // The capacity is only counted against; nothing of that size is allocated up front.
    if (capacity == 0 || capacity > kLargestRequestSize)
        return status::NotEnoughMemory;
    buffer.reset(new Buffer(capacity));
    return status::Ok;
}

Status InitBuffer(ContextHandle context, std::uint32_t operation, Buffer &buffer) {
    ContextState *state = nullptr;
    if (const Status s = FindContext(context, state); s != status::Ok)
        return s;
    switch (operation) {
    case DSV_READ:
    case DSV_LIST:
    case DSV_SEARCH:
    case DSV_ADD_ENTRY:
    case DSV_MODIFY_ENTRY:
    case DSV_READ_ATTR_DEF:
    case DSV_LIST_CONTAINABLE_CLASSES:
    case DSV_SEARCH_FILTER:
        buffer.Initialise(operation);
        return status::Ok;
    default:
        return status::BadVerb;
    }
}

void FreeBuffer(BufferPtr &buffer) {
    buffer.reset();
}

Status PutAttributeName(ContextHandle context, Buffer &buffer, std::string_view attributeName) {
    ContextState *state = nullptr;
    if (const Status s = FindContext(context, state); s != status::Ok)
        return s;
    if (!buffer.initialised())
        return status::InvalidRequest;
    if (attributeName.empty() || attributeName.size() > 255)
        return status::IllegalAttribute;
    switch (buffer.operation()) {
    case DSV_READ:
    case DSV_SEARCH:
    case DSV_READ_ATTR_DEF:
        if (const Status s = buffer.Charge(NameCost(attributeName)); s != status::Ok)
            return s;
        buffer.names.emplace_back(attributeName);
        return status::Ok;
    case DSV_ADD_ENTRY:
        if (const Status s = buffer.Charge(NameCost(attributeName)); s != status::Ok)
            return s;
        buffer.attributes.push_back(RequestAttribute{std::string(attributeName), {}});
        return status::Ok;
    default:
        return status::BadVerb;
    }
}

Status PutAttributeValue(ContextHandle context, Buffer &buffer, const AttrValue &value) {
    ContextState *state = nullptr;
    if (const Status s = FindContext(context, state); s != status::Ok)
        return s;
    if (!HoldsOwnerType(value.syntax, value.data))
        return status::SyntaxViolation;
    std::vector<AttrValue> *values = nullptr;
    if (buffer.operation() == DSV_ADD_ENTRY && !buffer.attributes.empty())
        values = &buffer.attributes.back().values;
    else if (buffer.operation() == DSV_MODIFY_ENTRY && !buffer.changes.empty())
        values = &buffer.changes.back().values;
    if (!buffer.initialised() || !values)
        return status::InvalidRequest; // a value belongs to an attribute or change put before
    if (const Status s = buffer.Charge(EncodedSize(value)); s != status::Ok)
        return s;
    values->push_back(value);
    return status::Ok;
}

Status PutChange(ContextHandle context, Buffer &buffer, std::uint32_t changeType,
                 std::string_view attributeName) {
    ContextState *state = nullptr;
    if (const Status s = FindContext(context, state); s != status::Ok)
        return s;
    if (!buffer.initialised() || buffer.operation() != DSV_MODIFY_ENTRY)
        return status::InvalidRequest;
    if (changeType > DS_CLEAR_VALUE)
        return status::InvalidRequest;
    if (attributeName.empty() || attributeName.size() > 255)
        return status::IllegalAttribute;
    if (const Status s = buffer.Charge(ChangeSize(attributeName)); s != status::Ok)
        return s;
    buffer.changes.push_back(RequestChange{changeType, std::string(attributeName), {}});
    return status::Ok;
}

std::size_t ChangeSize(std::string_view attributeName) {
    return kNumber + NameCost(attributeName);
}

std::size_t ChangeAndValueSize(std::string_view attributeName, const AttrValue &value) {
    return ChangeSize(attributeName) + EncodedSize(value);
}

Status PutChangeAndValue(ContextHandle context, Buffer &buffer, std::uint32_t changeType,
                         std::string_view attributeName, const AttrValue &value) {
    if (!HoldsOwnerType(value.syntax, value.data))
        return status::SyntaxViolation;
    // Both or neither: a change left without its value would change the request's meaning.
    const std::size_t used = buffer.used();
    if (!buffer.Fits(ChangeAndValueSize(attributeName, value)))
        return status::BufferFull;
    if (const Status s = PutChange(context, buffer, changeType, attributeName); s != status::Ok)
        return s;
    if (const Status s = PutAttributeValue(context, buffer, value); s != status::Ok) {
        buffer.changes.pop_back();
        buffer.Truncate(buffer.recordCount(), used);
        return s;
    }
    return status::Ok;
}

} // namespace dsclient

#pragma once

// What a buffer holds. Requests are built into it and results come back in it as a list of
// records read front to back; every record costs bytes against the buffer's capacity, so a
// small buffer really does take several passes.

#include "platform/dsclient/client.h"
#include "platform/dsclient/filter.h"

#include <cstddef>
#include <string>
#include <vector>

namespace dsclient {

struct ResultRecord {
    enum class Kind { Count, AttributeName, Value, ObjectName, AttributeDefinition, ClassItem };
    Kind kind = Kind::Count;
    std::string name;
    std::uint32_t count = 0; // Count: items; AttributeName: values; ObjectName: attributes
    std::uint32_t syntax = 0;
    AttrValue value;
    ObjectInfo info;
    AttributeDefinition definition;
};

// One change of a modify request, with the values put after it.
struct RequestChange {
    std::uint32_t type = 0;
    std::string attribute;
    std::vector<AttrValue> values;
};

// One attribute of an add-object request, with the values put after it.
struct RequestAttribute {
    std::string attribute;
    std::vector<AttrValue> values;
};

// The bytes a record or a request item takes in a buffer.
std::size_t CostOf(const ResultRecord &record);
std::size_t NameCost(std::string_view name);

class Buffer {
  public:
    explicit Buffer(std::size_t capacity) : capacity_(capacity) {}

    std::size_t capacity() const { return capacity_; }
    std::uint32_t operation() const { return operation_; }
    bool initialised() const { return initialised_; }
    void Initialise(std::uint32_t operation);

    // ---- request side: items count against the capacity (BufferFull when over)
    Status Charge(std::size_t bytes);
    std::vector<std::string> names;           // read, search, attribute definitions
    std::vector<RequestAttribute> attributes; // add object
    std::vector<RequestChange> changes;       // modify
    FilterPtr filter;                         // search filter

    // ---- result side
    // Starts a pass: empties the buffer and places the leading count record.
    void BeginResult();
    // Appends when the record fits; false (nothing appended) when it does not.
    bool Append(ResultRecord record);
    bool Fits(std::size_t bytes) const { return used_ + bytes <= capacity_; }
    std::size_t used() const { return used_; }
    void SetCount(std::uint32_t count);
    ResultRecord &RecordAt(std::size_t index) { return records_[index]; }
    std::size_t recordCount() const { return records_.size(); }
    // The next unread record if it is of `kind`: BufferEmpty at the end, InvalidRequest when
    // the caller reads something else than what comes next.
    Status Next(ResultRecord::Kind kind, const ResultRecord *&record);
    // The same without consuming the record.
    Status Peek(ResultRecord::Kind kind, const ResultRecord *&record) const;
    // Rolls back records appended after `size` records (a unit that did not fit whole).
    void Truncate(std::size_t size, std::size_t used);

  private:
    std::size_t capacity_;
    std::size_t used_ = 0;
    std::uint32_t operation_ = 0;
    bool initialised_ = false;
    std::vector<ResultRecord> records_;
    std::size_t cursor_ = 0;
};

} // namespace dsclient

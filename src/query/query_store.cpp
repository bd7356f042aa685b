#include "query/query_store.h"

#include "directory/directory_error.h"
#include "directory/schema.h"
#include "directory/values_reader.h"
#include "directory/values_writer.h"

#include <algorithm>
#include <stdexcept>

namespace tarnbeck {

namespace {

std::size_t Characters(const std::string &text) {
    return static_cast<std::size_t>(std::count_if(text.begin(), text.end(), [](char c) {
        return (static_cast<unsigned char>(c) & 0xC0) != 0x80; // not a UTF-8 continuation
    }));
}

// After the directory refused the values: when one is longer than the attribute allows, an
// error that says so; otherwise nothing, and the directory's own error stands.
void ExplainValueTooLong(dsclient::ContextHandle context, const std::string &attribute,
                         const std::vector<std::string> &values) {
    dsclient::AttributeDefinition definition;
    try {
        definition = ReadAttributeDefinition(context, attribute);
    } catch (const DirectoryError &) {
        return;
    }
    if (!(definition.flags & dsclient::DS_SIZED_ATTR))
        return;
    for (const std::string &value : values) {
        const std::size_t length = Characters(value);
        if (length > definition.upperBound)
            throw std::runtime_error(
                "The queries do not fit into the attribute " + attribute + ": it holds at most " +
                std::to_string(definition.upperBound) + " characters in a value, and a query needs " +
                std::to_string(length) + ". Nothing was saved. Settings can name a larger "
                "attribute for the queries.");
    }
}

} // namespace

DirectoryQueryStore::DirectoryQueryStore(dsclient::ContextHandle context, std::string groupName,
                                         std::string queryAttribute)
    : context_(context), groupName_(std::move(groupName)),
      queryAttribute_(std::move(queryAttribute)) {}

std::vector<std::string> DirectoryQueryStore::read() {
    std::vector<std::string> values;
    for (ValueItem &item : ReadValues(context_, groupName_, queryAttribute_))
        values.push_back(std::move(item.text));
    return values;
}

void DirectoryQueryStore::write(const std::vector<std::string> &values) {
    try {
        WriteValues(context_, groupName_, queryAttribute_, values, false);
    } catch (const DirectoryError &) {
        ExplainValueTooLong(context_, queryAttribute_, values);
        throw;
    }
}

} // namespace tarnbeck

#pragma once

// The comparison step of the filter parser: checks one comparison's attribute against the
// name table and the schema, encodes its value by the attribute's syntax and adds its tokens.

#include "platform/dsclient/client.h"
#include "query/attribute_name_map.h"
#include "query/filter_parser.h"
#include "query/filter_value.h"

#include <cstdint>
#include <functional>
#include <string_view>

namespace tarnbeck {

// The syntax number of a directory attribute; raises DirectoryError for one the schema lacks.
using SyntaxLookup = std::function<std::uint32_t(std::string_view attributeName)>;

// The schema of the context's tree.
SyntaxLookup SchemaSyntaxLookup(dsclient::ContextHandle context);

class ComparisonTranslator : public ComparisonStep {
  public:
    // Names and text values hold at most this many characters.
    static constexpr std::size_t kMaxSlotLength = 256;

    ComparisonTranslator(const AttributeNameMap &names, SyntaxLookup syntaxOf);

    bool translate(FilterScanner &scanner, dsclient::Filter &filter) override;

  private:
    bool translatePresence(const std::string &name, dsclient::Filter &filter);
    bool readValue(FilterScanner &scanner, const std::string &name, FilterValue &value);

    const AttributeNameMap &names_;
    SyntaxLookup syntaxOf_;
};

} // namespace tarnbeck

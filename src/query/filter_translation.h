#pragma once

// One query's filter text into directory filter tokens: the entry point Execute uses; and the
// check the query editor makes before it saves.

#include "platform/dsclient/client.h"
#include "query/attribute_name_map.h"
#include "query/comparison_translator.h"
#include "query/filter_field.h"

#include <cstddef>
#include <optional>
#include <string_view>

namespace tarnbeck {

// Parses the filter, checks every comparison against the name table and the schema, and adds
// the tokens to `filter` (all but the final end token). False when the filter was refused,
// after its message; the caller then frees the filter instead of finishing it. A text longer
// than the filter buffer is refused before anything is read. `field` may be null.
bool TranslateFilter(dsclient::ContextHandle context, std::string_view filterText,
                     const AttributeNameMap &names, FilterField *field, dsclient::Filter &filter);

// The same with the schema look-up given.
bool TranslateFilter(std::string_view filterText, const AttributeNameMap &names,
                     const SyntaxLookup &syntaxOf, FilterField *field, dsclient::Filter &filter);

// Where text follows the first whole filter of `filterText`: the 0-based character position of
// its first character that is no blank. Nothing when the filter ends the text, or when the
// filter itself is not whole (translating it tells what is wrong). Reads no directory and shows
// nothing.
std::optional<std::size_t> TextAfterFilter(std::string_view filterText);

// The refusal of text after a whole filter at `position`, with the caret placed there.
void RefuseTextAfterFilter(std::size_t position, FilterField *field);

} // namespace tarnbeck

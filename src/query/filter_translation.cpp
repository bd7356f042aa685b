#include "query/filter_translation.h"

#include "directory/prompter.h"
#include "query/filter_parser.h"
#include "query/filter_scanner.h"
#include "query/text_units.h"

#include <string>

namespace tarnbeck {

bool TranslateFilter(dsclient::ContextHandle context, std::string_view filterText,
                     const AttributeNameMap &names, FilterField *field, dsclient::Filter &filter) {
    return TranslateFilter(filterText, names, SchemaSyntaxLookup(context), field, filter);
}

bool TranslateFilter(std::string_view filterText, const AttributeNameMap &names,
                     const SyntaxLookup &syntaxOf, FilterField *field, dsclient::Filter &filter) {
    FilterScanner scanner(filterText);
    if (CharacterCount(scanner.text()) > FilterScanner::kMaxFilterLength) {
        prompter().message("Filter longer than " + std::to_string(FilterScanner::kMaxFilterLength) +
                           " characters");
        return false;
    }
    ComparisonTranslator comparison(names, syntaxOf);
    FilterParser parser(scanner, filter, comparison, field);
    parser.ParseFilter(false);
    return !parser.failed();
}

} // namespace tarnbeck

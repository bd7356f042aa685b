#include "query/filter_translation.h"

#include "directory/directory_error.h"
#include "directory/prompter.h"
#include "query/filter_parser.h"
#include "query/filter_scanner.h"
#include "query/text_units.h"

#include <string>

namespace tarnbeck {

namespace {

// Reads a comparison's pieces without judging them; a presence test stands for it, so the
// grouping around it stays a well-formed expression.
class ScannedComparison : public ComparisonStep {
  public:
    bool translate(FilterScanner &scanner, dsclient::Filter &filter) override {
        scanner.ReadAttributeName();
        if (scanner.ReadOperator() != "=*")
            scanner.ReadValue();
        CheckStatus(dsclient::AddFilterToken(filter, dsclient::FTOK_PRESENT, {}, 0));
        CheckStatus(
            dsclient::AddFilterToken(filter, dsclient::FTOK_ANAME, "x", dsclient::SYN_CI_STRING));
        return true;
    }
};

bool TooLong(const FilterScanner &scanner) {
    return CharacterCount(scanner.text()) > FilterScanner::kMaxFilterLength;
}

} // namespace

bool TranslateFilter(dsclient::ContextHandle context, std::string_view filterText,
                     const AttributeNameMap &names, FilterField *field, dsclient::Filter &filter) {
    return TranslateFilter(filterText, names, SchemaSyntaxLookup(context), field, filter);
}

bool TranslateFilter(std::string_view filterText, const AttributeNameMap &names,
                     const SyntaxLookup &syntaxOf, FilterField *field, dsclient::Filter &filter) {
    FilterScanner scanner(filterText);
    if (TooLong(scanner)) {
        prompter().message("Filter longer than " + std::to_string(FilterScanner::kMaxFilterLength) +
                           " characters");
        return false;
    }
    ComparisonTranslator comparison(names, syntaxOf);
    FilterParser parser(scanner, filter, comparison, field);
    parser.ParseWhole();
    return !parser.failed();
}

std::optional<std::size_t> TextAfterFilter(std::string_view filterText) {
    FilterScanner scanner(filterText);
    if (TooLong(scanner))
        return std::nullopt;
    ScannedComparison comparison;
    dsclient::Filter filter;
    FilterParser parser(scanner, filter, comparison, nullptr);
    parser.keepQuiet();
    try {
        parser.ParseFilter(false);
    } catch (const DirectoryError &) {
        return std::nullopt; // nested deeper than the client takes: translating it says so
    }
    if (parser.failed())
        return std::nullopt;
    scanner.SkipBlanks();
    if (scanner.atEnd())
        return std::nullopt;
    return scanner.characterPosition();
}

void RefuseTextAfterFilter(std::size_t position, FilterField *field) {
    ShowFilterSyntaxError(kEndOfFilterExpected, position, position, field);
}

} // namespace tarnbeck

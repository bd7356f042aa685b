#include "query/filter_parser.h"

#include "directory/directory_error.h"
#include "directory/prompter.h"

#include <string>

namespace tarnbeck {

using namespace dsclient;

FilterParser::FilterParser(FilterScanner &scanner, Filter &filter, ComparisonStep &comparison,
                           FilterField *field)
    : scanner_(scanner), filter_(filter), comparison_(comparison), field_(field) {}

void FilterParser::ParseFilter(bool inList) {
    if (failed_)
        return;
    scanner_.SkipBlanks();
    if (scanner_.current() != '(') {
        fail("( expected", scanner_.characterPosition());
        return;
    }
    scanner_.advance();
    scanner_.SkipBlanks();
    switch (scanner_.current()) {
    case '!':
        // The operand of "!" is always grouped.
        add(FTOK_NOT);
        add(FTOK_LPAREN);
        scanner_.advance();
        ParseFilter(false);
        if (failed_)
            return;
        add(FTOK_RPAREN);
        break;
    case '&':
        parseList(inList, FTOK_AND);
        break;
    case '|':
        parseList(inList, FTOK_OR);
        break;
    default:
        if (!comparison_.translate(scanner_, filter_))
            failed_ = true;
        break;
    }
    if (failed_)
        return;
    scanner_.SkipBlanks();
    if (scanner_.current() == ')') {
        scanner_.advance();
        return;
    }
    fail(") expected", scanner_.characterPosition() + 1);
}

void FilterParser::ParseWhole() {
    ParseFilter(false);
    if (failed_)
        return;
    scanner_.SkipBlanks();
    if (!scanner_.atEnd())
        fail(kEndOfFilterExpected, scanner_.characterPosition());
}

void FilterParser::parseList(bool inList, FilterTokenNumber listOperator) {
    // A list is grouped only as a member of another list.
    if (inList)
        add(FTOK_LPAREN);
    scanner_.advance();
    bool first = true;
    do {
        if (!first)
            add(listOperator);
        first = false;
        ParseFilter(true);
        if (failed_)
            return;
        scanner_.SkipBlanks();
    } while (scanner_.current() != ')' && !scanner_.atEnd());
    if (inList)
        add(FTOK_RPAREN);
}

void FilterParser::add(FilterTokenNumber token) {
    CheckStatus(AddFilterToken(filter_, token, {}, 0));
}

void FilterParser::fail(std::string_view expected, std::size_t caret) {
    failed_ = true;
    // Every message names the 1-based position of the character at the scanner's position.
    if (!quiet_)
        ShowFilterSyntaxError(expected, scanner_.characterPosition(), caret, field_);
}

void ShowFilterSyntaxError(std::string_view expected, std::size_t position, std::size_t caret,
                           FilterField *field) {
    prompter().message(std::string(expected) + " at position " + std::to_string(position + 1) +
                       " in filter");
    if (field) {
        field->setFocus();
        field->setCaret(caret);
    }
}

} // namespace tarnbeck

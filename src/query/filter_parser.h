#pragma once

// Reads one parenthesised filter and adds its tokens to the directory filter as it goes: "!",
// "&" and "|" with their grouping here, each simple comparison through a ComparisonStep. The
// first error ends the parse; no token is added and no message shown after it.

#include "platform/dsclient/filter.h"
#include "query/filter_field.h"
#include "query/filter_scanner.h"

#include <string_view>

namespace tarnbeck {

class ComparisonStep {
  public:
    virtual ~ComparisonStep() = default;
    // Reads one comparison at the scanner's position (just after "(" and any blanks), adds its
    // tokens and leaves the position after the value. False on failure, after any message.
    virtual bool translate(FilterScanner &scanner, dsclient::Filter &filter) = 0;
};

class FilterParser {
  public:
    // `field` may be null (no editor to point at the error).
    FilterParser(FilterScanner &scanner, dsclient::Filter &filter, ComparisonStep &comparison,
                 FilterField *field);

    // `inList`: the filter is a member of an "&" or "|" list. A failing add of a token raises
    // DirectoryError.
    void ParseFilter(bool inList);
    // The text as one filter: after it only blanks may follow, for what follows would not run.
    void ParseWhole();
    bool failed() const { return failed_; }
    // From now on an error only sets the flag: no message, no caret.
    void keepQuiet() { quiet_ = true; }

  private:
    void parseList(bool inList, dsclient::FilterTokenNumber listOperator);
    void add(dsclient::FilterTokenNumber token);
    // Shows "<expected> at position <1-based position> in filter" and puts the caret at `caret`.
    void fail(std::string_view expected, std::size_t caret);

    FilterScanner &scanner_;
    dsclient::Filter &filter_;
    ComparisonStep &comparison_;
    FilterField *field_;
    bool failed_ = false;
    bool quiet_ = false;
};

// What follows a whole filter: the first character that is no blank.
inline constexpr std::string_view kEndOfFilterExpected = "End of filter expected";

// Shows "<expected> at position <position + 1> in filter" and, when there is a field, gives it
// the focus with the caret at `caret`.
void ShowFilterSyntaxError(std::string_view expected, std::size_t position, std::size_t caret,
                           FilterField *field);

} // namespace tarnbeck

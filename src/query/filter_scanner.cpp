#include "query/filter_scanner.h"

#include "query/text_units.h"

namespace tarnbeck {

FilterScanner::FilterScanner(std::string_view text) : text_(text.substr(0, text.find('\0'))) {}

std::size_t FilterScanner::characterPosition() const {
    return CharacterCount(std::string_view(text_).substr(0, position_));
}

void FilterScanner::advance() {
    if (!atEnd())
        ++position_;
}

void FilterScanner::SkipBlanks() {
    while (current() == ' ')
        ++position_;
}

std::string FilterScanner::ReadUntilAny(std::string_view stops) {
    SkipBlanks();
    const std::size_t start = position_;
    while (!atEnd() && stops.find(text_[position_]) == std::string_view::npos)
        ++position_;
    return text_.substr(start, position_ - start);
}

std::string FilterScanner::ReadAttributeName() {
    return ReadUntilAny("!&()<=>~");
}

std::string FilterScanner::ReadValue() {
    return ReadUntilAny("!&()<=>");
}

std::string FilterScanner::ReadOperator() {
    SkipBlanks();
    const std::size_t start = position_;
    while (!atEnd() && std::string_view("<=>~").find(text_[position_]) != std::string_view::npos)
        ++position_;
    std::string op = text_.substr(start, position_ - start);
    if (op == "=" && std::string_view(text_).substr(position_, 2) == "*)") {
        op = "=*";
        ++position_;
    }
    return op;
}

} // namespace tarnbeck

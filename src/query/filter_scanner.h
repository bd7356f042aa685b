#pragma once

// The filter text being read and the one position that moves forward through it, with the
// scanning of the pieces of a comparison. Only the blank (code 32) counts as a blank.

#include <cstddef>
#include <string>
#include <string_view>

namespace tarnbeck {

class FilterScanner {
  public:
    // Characters a filter may hold (the filter buffer's size less its terminating zero).
    static constexpr std::size_t kMaxFilterLength = 16383;

    // The text up to its first zero character, if any: a filter ends there.
    explicit FilterScanner(std::string_view text);

    // 0-based byte offset; never past the end.
    std::size_t position() const { return position_; }
    // The same position counted in characters, as messages and the caret count it.
    std::size_t characterPosition() const;
    const std::string &text() const { return text_; }
    bool atEnd() const { return position_ >= text_.size(); }
    // The character at the position; '\0' at the end.
    char current() const { return atEnd() ? '\0' : text_[position_]; }
    void advance();

    void SkipBlanks();
    // Up to the end or the first of "!&()<=>~"; blanks inside and at the end belong to it.
    std::string ReadAttributeName();
    // The run of "<", "=", ">", "~"; "=" directly followed by "*)" is the presence test "=*"
    // and the position moves past the "*".
    std::string ReadOperator();
    // Up to the end or the first of "!&()<=>"; trailing blanks belong to it.
    std::string ReadValue();

  private:
    std::string ReadUntilAny(std::string_view stops);

    std::string text_;
    std::size_t position_ = 0;
};

} // namespace tarnbeck

#pragma once

// The lines of one ini file, kept exactly as read so an edit changes only the lines it touches.

#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace profile {

class IniDocument {
  public:
    // Splits `text` into lines; a leading UTF-8 byte order mark is kept aside and restored.
    static IniDocument Parse(std::string_view text);

    // The file's bytes: every line with its original ending, the mark first if there was one.
    std::string Serialize() const;

    // Names are compared without regard to ASCII case or surrounding blanks.
    std::optional<std::string> Value(std::string_view section, std::string_view key) const;
    std::vector<std::pair<std::string, std::string>> Entries(std::string_view section) const;
    std::vector<std::string> SectionNames() const;
    std::vector<std::string> KeyNames(std::string_view section) const;

    // Why `section`, `key` and `value` cannot be written as one line each and read back the
    // same, or std::nullopt when they can.
    static std::optional<std::string> CheckStorable(std::string_view section, std::string_view key,
                                                    std::string_view value);

    // Replaces the value of an existing key in place, or adds key (and section) at the end.
    // The caller has checked the arguments with CheckStorable.
    void SetValue(std::string_view section, std::string_view key, std::string_view value);

  private:
    struct Line {
        std::string text;   // without its line ending
        std::string ending; // "\r\n", "\n", or "" for a last line without one
    };
    // One section: the index of its header and the end of its lines (exclusive).
    struct SectionSpan {
        std::size_t header;
        std::size_t end;
    };

    std::optional<SectionSpan> FindSection(std::string_view section) const;
    std::optional<std::size_t> FindKey(const SectionSpan &span, std::string_view key) const;
    std::string NewLineEnding() const;
    void InsertLine(std::size_t at, std::string text);

    bool hasByteOrderMark_ = false;
    std::vector<Line> lines_;
};

} // namespace profile

#include "platform/profile/ini_document.h"

#include <unordered_set>

namespace profile {
namespace {

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

std::string_view Trim(std::string_view s) {
    while (!s.empty() && IsBlank(s.front()))
        s.remove_prefix(1);
    while (!s.empty() && IsBlank(s.back()))
        s.remove_suffix(1);
    return s;
}

char LowerAscii(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool EqualsIgnoringCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (LowerAscii(a[i]) != LowerAscii(b[i]))
            return false;
    return true;
}

std::string LowerCopy(std::string_view s) {
    std::string out(s);
    for (char &c : out)
        c = LowerAscii(c);
    return out;
}

// "[name]" gives name; a header missing its "]" still counts, as it cannot be anything else.
std::optional<std::string_view> SectionHeaderName(std::string_view line) {
    const std::string_view trimmed = Trim(line);
    if (trimmed.empty() || trimmed.front() != '[')
        return std::nullopt;
    const std::string_view inner = trimmed.substr(1);
    return Trim(inner.substr(0, inner.find(']')));
}

struct KeyLine {
    std::string_view key;
    std::string_view value;
    std::size_t valueStart; // offset of the value's first character in the line
};

// Comments (";") and lines without "=" or without a name before it are not keys.
std::optional<KeyLine> ParseKeyLine(std::string_view line) {
    const std::string_view trimmed = Trim(line);
    if (trimmed.empty() || trimmed.front() == ';' || trimmed.front() == '[')
        return std::nullopt;
    const std::size_t equals = line.find('=');
    if (equals == std::string_view::npos)
        return std::nullopt;
    const std::string_view key = Trim(line.substr(0, equals));
    if (key.empty())
        return std::nullopt;
    std::size_t valueStart = equals + 1;
    while (valueStart < line.size() && IsBlank(line[valueStart]))
        ++valueStart;
    return KeyLine{key, Trim(line.substr(valueStart)), valueStart};
}

bool IsBlankLine(std::string_view line) {
    return Trim(line).empty();
}

} // namespace

IniDocument IniDocument::Parse(std::string_view text) {
    IniDocument doc;
    if (text.starts_with(kByteOrderMark)) {
        doc.hasByteOrderMark_ = true;
        text.remove_prefix(kByteOrderMark.size());
    }
    while (!text.empty()) {
        const std::size_t newline = text.find('\n');
        if (newline == std::string_view::npos) {
            doc.lines_.push_back({std::string(text), ""});
            break;
        }
        std::string_view content = text.substr(0, newline);
        const bool crlf = content.ends_with('\r');
        if (crlf)
            content.remove_suffix(1);
        doc.lines_.push_back({std::string(content), crlf ? "\r\n" : "\n"});
        text.remove_prefix(newline + 1);
    }
    return doc;
}

std::string IniDocument::Serialize() const {
    std::string out = hasByteOrderMark_ ? std::string(kByteOrderMark) : std::string();
    for (const Line &line : lines_) {
        out += line.text;
        out += line.ending;
    }
    return out;
}

std::optional<std::string>
IniDocument::CheckStorable(std::string_view section, std::string_view key, std::string_view value) {
    const auto hasLineBreak = [](std::string_view s) {
        return s.find_first_of("\r\n") != std::string_view::npos;
    };
    section = Trim(section);
    key = Trim(key);
    if (section.empty() || hasLineBreak(section) || section.find(']') != std::string_view::npos)
        return "invalid section name \"" + std::string(section) + "\"";
    if (key.empty() || hasLineBreak(key) || key.find('=') != std::string_view::npos ||
        key.front() == ';' || key.front() == '[')
        return "invalid key name \"" + std::string(key) + "\"";
    if (hasLineBreak(value))
        return "a value cannot contain a line break";
    return std::nullopt;
}

std::optional<IniDocument::SectionSpan> IniDocument::FindSection(std::string_view section) const {
    for (std::size_t i = 0; i < lines_.size(); ++i) {
        const auto name = SectionHeaderName(lines_[i].text);
        if (!name || !EqualsIgnoringCase(*name, Trim(section)))
            continue;
        std::size_t end = i + 1;
        while (end < lines_.size() && !SectionHeaderName(lines_[end].text))
            ++end;
        return SectionSpan{i, end};
    }
    return std::nullopt;
}

std::optional<std::size_t> IniDocument::FindKey(const SectionSpan &span,
                                                std::string_view key) const {
    for (std::size_t i = span.header + 1; i < span.end; ++i) {
        const auto parsed = ParseKeyLine(lines_[i].text);
        if (parsed && EqualsIgnoringCase(parsed->key, Trim(key)))
            return i;
    }
    return std::nullopt;
}

std::optional<std::string> IniDocument::Value(std::string_view section,
                                              std::string_view key) const {
    const auto span = FindSection(section);
    if (!span)
        return std::nullopt;
    const auto index = FindKey(*span, key);
    if (!index)
        return std::nullopt;
    return std::string(ParseKeyLine(lines_[*index].text)->value);
}

std::vector<std::pair<std::string, std::string>>
IniDocument::Entries(std::string_view section) const {
    std::vector<std::pair<std::string, std::string>> entries;
    const auto span = FindSection(section);
    if (!span)
        return entries;
    for (std::size_t i = span->header + 1; i < span->end; ++i)
        if (const auto parsed = ParseKeyLine(lines_[i].text))
            entries.emplace_back(parsed->key, parsed->value);
    return entries;
}

std::vector<std::string> IniDocument::SectionNames() const {
    std::vector<std::string> names;
    std::unordered_set<std::string> seen;
    for (const Line &line : lines_)
        if (const auto name = SectionHeaderName(line.text))
            if (seen.insert(LowerCopy(*name)).second)
                names.emplace_back(*name);
    return names;
}

std::vector<std::string> IniDocument::KeyNames(std::string_view section) const {
    std::vector<std::string> names;
    std::unordered_set<std::string> seen;
    for (const auto &[key, value] : Entries(section))
        if (seen.insert(LowerCopy(key)).second)
            names.push_back(key);
    return names;
}

std::string IniDocument::NewLineEnding() const {
    for (const Line &line : lines_)
        if (!line.ending.empty())
            return line.ending;
    return "\n";
}

void IniDocument::InsertLine(std::size_t at, std::string text) {
    const std::string ending = NewLineEnding();
    // A last line without an ending needs one once something follows it. When it ends in a bare
    // CR, only "\r\n" keeps that CR its own: a "\n" would make the two one line ending, taking
    // the CR from a value, or turning a stray "[name\r" into a header that shadows the section
    // written after it.
    if (at > 0 && lines_[at - 1].ending.empty())
        lines_[at - 1].ending = lines_[at - 1].text.ends_with('\r') ? "\r\n" : ending;
    lines_.insert(lines_.begin() + static_cast<std::ptrdiff_t>(at), Line{std::move(text), ending});
}

void IniDocument::SetValue(std::string_view section, std::string_view key, std::string_view value) {
    const std::string keyLine = std::string(Trim(key)) + "=" + std::string(value);
    const auto span = FindSection(section);
    if (!span) {
        InsertLine(lines_.size(), "[" + std::string(Trim(section)) + "]");
        InsertLine(lines_.size(), keyLine);
        return;
    }
    if (const auto index = FindKey(*span, key)) {
        // Keep the key as spelt in the file and the blanks after "=".
        std::string &text = lines_[*index].text;
        text = text.substr(0, ParseKeyLine(text)->valueStart) + std::string(value);
        return;
    }
    // After the section's last non-blank line, so blank lines before the next section stay there.
    std::size_t at = span->end;
    while (at > span->header + 1 && IsBlankLine(lines_[at - 1].text))
        --at;
    InsertLine(at, keyLine);
}

} // namespace profile

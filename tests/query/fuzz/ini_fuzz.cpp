// libFuzzer entry for the ini files: the input is a file's text, then (each after a NUL byte) a
// section, a key and a value to write. The file must round-trip byte for byte, the written key
// must read back, and no other key may change.

#include "platform/profile/ini_document.h"

#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

namespace {

using profile::IniDocument;

// The next NUL-terminated field of the input, or all that is left.
std::string_view TakeField(std::string_view &input) {
    const std::size_t end = input.find('\0');
    const std::string_view field = input.substr(0, end);
    input.remove_prefix(end == std::string_view::npos ? input.size() : end + 1);
    return field;
}

std::string_view TrimBlanks(std::string_view s) {
    const std::size_t first = s.find_first_not_of(" \t");
    if (first == std::string_view::npos)
        return {};
    return s.substr(first, s.find_last_not_of(" \t") - first + 1);
}

// Names as the file compares them: ASCII case ignored, surrounding blanks dropped.
std::string NameKey(std::string_view name) {
    std::string key(TrimBlanks(name));
    for (char &c : key)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return key;
}

struct KeyValue {
    std::string section, key, value;
};

// Every key as a reader sees it: the first section of a name, the first key of a name in it.
std::vector<KeyValue> Readable(const IniDocument &doc) {
    std::vector<KeyValue> all;
    for (const std::string &section : doc.SectionNames())
        for (const std::string &key : doc.KeyNames(section))
            all.push_back({section, key, doc.Value(section, key).value_or("")});
    return all;
}

void Require(bool condition) {
    if (!condition)
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    std::string_view input(reinterpret_cast<const char *>(data), size);
    const std::string_view text = TakeField(input);
    const std::string_view section = TakeField(input);
    const std::string_view key = TakeField(input);
    const std::string_view value = input;

    IniDocument doc = IniDocument::Parse(text);
    Require(doc.Serialize() == text);
    if (IniDocument::CheckStorable(section, key, value))
        return 0;

    const std::vector<KeyValue> before = Readable(doc);
    doc.SetValue(section, key, value);
    const std::string written = doc.Serialize();
    const IniDocument reread = IniDocument::Parse(written);
    Require(reread.Serialize() == written);
    Require(reread.Value(section, key) == std::string(TrimBlanks(value)));
    for (const KeyValue &old : before) {
        const bool written = NameKey(old.section) == NameKey(section) && NameKey(old.key) == NameKey(key);
        if (!written)
            Require(reread.Value(old.section, old.key) == old.value);
    }
    return 0;
}

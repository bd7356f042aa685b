#include "platform/profile/profile.h"

#include "platform/profile/file_io.h"
#include "platform/profile/ini_document.h"

namespace profile {
namespace {

// Reading never fails: an unreadable file reads as an empty one, as missing keys read as defaults.
IniDocument Load(const std::string &path) {
    return IniDocument::Parse(ReadFileText(path).text);
}

} // namespace

std::string ReadString(const std::string &path, const std::string &section, const std::string &key,
                       const std::string &defaultValue) {
    return Load(path).Value(section, key).value_or(defaultValue);
}

std::optional<std::string> WriteString(const std::string &path, const std::string &section,
                                       const std::string &key, const std::string &value) {
    if (auto problem = IniDocument::CheckStorable(section, key, value))
        return path + ": " + *problem;
    return RewriteFile(path, [&](std::string_view text) {
        IniDocument doc = IniDocument::Parse(text);
        doc.SetValue(section, key, value);
        return doc.Serialize();
    });
}

std::vector<Entry> ReadSectionEntries(const std::string &path, const std::string &section) {
    return Load(path).Entries(section);
}

std::vector<std::string> ReadSectionNames(const std::string &path) {
    return Load(path).SectionNames();
}

std::vector<std::string> ReadKeyNames(const std::string &path, const std::string &section) {
    return Load(path).KeyNames(section);
}

} // namespace profile

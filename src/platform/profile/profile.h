#pragma once

// Private-profile (ini) files with Windows semantics on any platform.
//
// A line "[name]" starts a section; "key=value" lines inside it are its keys. Section and key
// names compare without regard to ASCII case, keys and values are read without surrounding
// blanks, and lines without "=" (comments, notes) are kept but are not keys. When a section or
// key occurs twice, the first occurrence is the one read and written.
//
// Every call reads the file afresh, so programs sharing a file see each other's writes. A
// missing or unreadable file reads as empty: defaults and empty lists.

#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace profile {

using Entry = std::pair<std::string, std::string>; // key, value

// The value of `key` in `section`, or `defaultValue` when the file, section or key is missing.
std::string ReadString(const std::string &path, const std::string &section, const std::string &key,
                       const std::string &defaultValue);

// Sets `key` in `section` to `value`, creating the file, the section (appended at the end) and
// the key (appended at the end of its section) as needed. An existing key has its value
// replaced in place; every other byte of the file stays as it was. The file is replaced
// atomically, so a crash leaves either the old or the new file.
// Returns std::nullopt on success, else the error text ("<path>: <reason>"); the file is then
// unchanged. Names or values that would break the file's structure (line breaks, a key with
// "=", ...) are refused the same way.
[[nodiscard]] std::optional<std::string> WriteString(const std::string &path,
                                                     const std::string &section,
                                                     const std::string &key,
                                                     const std::string &value);

// Every key=value line of `section` in file order, duplicate keys included.
std::vector<Entry> ReadSectionEntries(const std::string &path, const std::string &section);

// The names of all sections in file order, each once, spelt as at its first occurrence.
std::vector<std::string> ReadSectionNames(const std::string &path);

// The key names of `section` in file order, each once, spelt as at its first occurrence.
std::vector<std::string> ReadKeyNames(const std::string &path, const std::string &section);

} // namespace profile

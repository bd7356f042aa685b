#pragma once

// Whole-file reads and atomic whole-file replacement. Errors come back as text naming the path.

#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace profile {

struct FileText {
    std::string text;                 // empty when the file does not exist
    std::optional<std::string> error; // set when the file exists but could not be read
};

FileText ReadFileText(const std::string &path);

// Read-modify-write of one file, serialised across processes: the file is locked from the read
// until the new contents have replaced it, so concurrent writers never lose each other's
// changes. `edit` turns the current text (empty for a new file) into the new one. A symbolic
// link is followed: its final target is replaced and the link stays. Temporary files a killed
// writer left beside the file are removed. Returns std::nullopt on success, else the error
// text naming the file.
std::optional<std::string> RewriteFile(const std::string &path,
                                       const std::function<std::string(std::string_view)> &edit);

// Writes `text` to a temporary file in the same directory, syncs it and renames it over `path`,
// so readers and a crash see either the old file or the new one, never a mix. An existing file
// keeps its permissions; a read-only one is refused. `beforeRename` lets tests stop the process
// at the one moment where both files exist.
std::optional<std::string> ReplaceFileAtomically(const std::string &path, std::string_view text,
                                                 const std::function<void()> &beforeRename = {});

} // namespace profile

#include "shell/attribute_names.h"

#include "directory/prompter.h"
#include "directory/schema.h"
#include "directory/text_compare.h"
#include "shell/program_files.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>

namespace tarnbeck {

std::string NormalizeAttributeName(std::string_view name) {
    std::string normal;
    normal.reserve(name.size());
    for (char c : name)
        if (c != ' ' && c != ':')
            normal += LowerAscii(c);
    return normal;
}

namespace {

// The lines of a text file without their line ends; false with `error` ("<path>: <reason>")
// when the file is missing or cannot be read.
bool ReadTextLines(const std::string &path, std::vector<std::string> &lines, std::string &error) {
    const std::unique_ptr<std::FILE, int (*)(std::FILE *)> file(std::fopen(path.c_str(), "rb"),
                                                                &std::fclose);
    if (!file) {
        error = path + ": " + std::strerror(errno);
        return false;
    }
    std::string text;
    char chunk[8192];
    std::size_t got = 0;
    while ((got = std::fread(chunk, 1, sizeof chunk, file.get())) > 0)
        text.append(chunk, got);
    if (std::ferror(file.get())) { // e.g. a directory of that name
        error = path + ": " + std::strerror(errno);
        return false;
    }

    lines.clear();
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string::npos)
            end = text.size();
        std::size_t stop = end;
        if (stop > start && text[stop - 1] == '\r')
            --stop;
        lines.emplace_back(text, start, stop - start);
        start = end + 1;
    }
    return true;
}

} // namespace

bool LoadAttributeNameMap(AppState &app) {
    const ValueList definitions = ReadAttributeDefinitions(app.mainContext);

    app.attributeNameMap.emplace();
    std::vector<std::string> lines;
    std::string error;
    if (!ReadTextLines(app.configDirectory + kMappingsFileName, lines, error)) {
        prompter().message(error);
        return false;
    }
    lines.reserve(lines.size() + definitions.size());
    for (const ValueItem &definition : definitions)
        lines.push_back(NormalizeAttributeName(definition.text) + "=" + definition.text);
    app.attributeNameMap.emplace(std::move(lines));
    return true;
}

} // namespace tarnbeck

#include "sync/safe_text.h"

#include <cstdio>

namespace tarnbeck {

namespace {

std::string Hex(const char *format, unsigned char c) {
    char escaped[8];
    std::snprintf(escaped, sizeof escaped, format, static_cast<unsigned>(c));
    return escaped;
}

bool Control(unsigned char c) {
    return c < 0x20 || c == 0x7f;
}

} // namespace

std::string JsonText(const std::string &text) {
    std::string quoted = "\"";
    for (const char c : text) {
        if (c == '"' || c == '\\')
            quoted += std::string("\\") + c;
        else if (Control(static_cast<unsigned char>(c)))
            quoted += Hex("\\u%04x", static_cast<unsigned char>(c));
        else
            quoted += c;
    }
    return quoted + "\"";
}

std::string CsvText(const std::string &text) {
    std::string field = text;
    if (!field.empty() && std::string("=+-@\t\r").find(field.front()) != std::string::npos)
        field.insert(0, 1, '\'');
    if (field.find_first_of(",\"\r\n") == std::string::npos)
        return field;
    std::string quoted = "\"";
    for (const char c : field)
        quoted += c == '"' ? std::string("\"\"") : std::string(1, c);
    return quoted + "\"";
}

std::string UtcTimeText(std::time_t time) {
    std::tm parts{};
    ::gmtime_r(&time, &parts);
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%SZ", &parts);
    return text;
}

} // namespace tarnbeck

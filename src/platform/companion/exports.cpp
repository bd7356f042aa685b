// The C entry points of libOrvexa.so. Only these are visible outside the library.

#include "bmp_writer.h"
#include "companion_api.h"
#include "icon_set.h"

#include <algorithm>
#include <map>
#include <string>
#include <string_view>

#define TB_EXPORT extern "C" __attribute__((visibility("default")))

namespace {

std::map<std::string, std::string> &values() {
    static std::map<std::string, std::string> store;
    return store;
}

} // namespace

TB_EXPORT int version() {
    return TB_COMPANION_VERSION;
}

TB_EXPORT int subversion() {
    return 0;
}

TB_EXPORT void set_path(const char *dir) {
    values()[TB_COMPANION_KEY_PATH] = dir ? dir : "";
}

TB_EXPORT int get_icons_image(TbStream *stream) {
    if (!stream || !stream->write)
        return TB_COMPANION_BAD_STREAM;
    const auto bytes = orvexa::encodeBmp(orvexa::iconStrip());
    return stream->write(stream->opaque, bytes.data(), bytes.size()) == 0
               ? TB_COMPANION_OK
               : TB_COMPANION_WRITE_FAILED;
}

TB_EXPORT int get_icons() {
    return orvexa::iconCount();
}

TB_EXPORT const char *get_icon_name(int index) {
    // The names are literals, so the view is zero-terminated.
    const std::string_view name = orvexa::iconName(index);
    return name.empty() ? nullptr : name.data();
}

TB_EXPORT int get_nr_icon(const char *name) {
    return name ? orvexa::iconIndex(name) : -1;
}

TB_EXPORT int set_value(const char *key, const char *value) {
    if (!key || !value)
        return -1;
    values()[key] = value;
    return 0;
}

TB_EXPORT int get_value(const char *key, char *buffer, int size) {
    if (!key)
        return -1;
    const auto it = values().find(key);
    if (it == values().end())
        return -1;
    const std::string &value = it->second;
    if (buffer && size > 0) {
        const std::size_t n = std::min(value.size(), std::size_t(size - 1));
        value.copy(buffer, n);
        buffer[n] = '\0';
    }
    return int(value.size());
}

// A stand-in companion library of interface version 1 for the loader tests: only the five
// entry points the program calls (or four, built with FAKE_WITHOUT_NR_ICON). What
// get_icons_image does is chosen by TB_FAKE_COMPANION_MODE: "fail", "garbage", else a plain
// two-icon bitmap.

#include "platform/companion/companion_api.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#define FAKE_EXPORT extern "C" __attribute__((visibility("default")))

namespace {

void put32(std::vector<std::uint8_t> &out, std::uint32_t v) {
    for (int shift = 0; shift < 32; shift += 8)
        out.push_back(std::uint8_t(v >> shift));
}

// Two black 16 x 16 icons.
std::vector<std::uint8_t> twoIconBitmap() {
    const std::uint32_t pixels = 32 * 16 * 3;
    std::vector<std::uint8_t> out{'B', 'M'};
    put32(out, 54 + pixels);
    put32(out, 0);
    put32(out, 54);
    put32(out, 40);
    put32(out, 32);
    put32(out, 16);
    put32(out, 1 | 24 << 16); // planes, bits per pixel
    put32(out, 0);
    put32(out, pixels);
    for (int i = 0; i < 4; ++i)
        put32(out, 0);
    out.resize(out.size() + pixels, 0);
    return out;
}

} // namespace

FAKE_EXPORT int version() {
    return 1;
}

FAKE_EXPORT void set_path(const char *) {}

FAKE_EXPORT int get_icons_image(TbStream *stream) {
    const char *mode = std::getenv("TB_FAKE_COMPANION_MODE");
    if (mode && std::strcmp(mode, "fail") == 0)
        return 3;
    if (mode && std::strcmp(mode, "garbage") == 0)
        return stream->write(stream->opaque, "not a bitmap", 12);
    const auto bmp = twoIconBitmap();
    return stream->write(stream->opaque, bmp.data(), bmp.size());
}

FAKE_EXPORT int get_icons() {
    return 2;
}

#ifndef FAKE_WITHOUT_NR_ICON
// Knows "User" only, and no fallback icon.
FAKE_EXPORT int get_nr_icon(const char *name) {
    return name && std::strcmp(name, "User") == 0 ? 0 : -1;
}
#endif

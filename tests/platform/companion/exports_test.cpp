// The library as a loader sees it: its C entry points.

#include "companion_api.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

extern "C" {
int version();
void set_path(const char *dir);
int get_icons_image(TbStream *stream);
int get_icons();
const char *get_icon_name(int index);
int get_nr_icon(const char *name);
int set_value(const char *key, const char *value);
int get_value(const char *key, char *buffer, int size);
}

namespace {

int appendBytes(void *opaque, const void *data, size_t len) {
    auto *out = static_cast<std::vector<std::uint8_t> *>(opaque);
    const auto *bytes = static_cast<const std::uint8_t *>(data);
    out->insert(out->end(), bytes, bytes + len);
    return 0;
}

int refuseBytes(void *, const void *, size_t) {
    return 5;
}

std::int32_t read32(const std::vector<std::uint8_t> &b, std::size_t at) {
    return std::int32_t(b[at] | b[at + 1] << 8 | b[at + 2] << 16 | std::uint32_t(b[at + 3]) << 24);
}

TEST(CompanionExports, IconsImageIsOneBmpStripOf16PixelIcons) {
    std::vector<std::uint8_t> bmp;
    TbStream stream{&bmp, appendBytes};
    ASSERT_EQ(get_icons_image(&stream), TB_COMPANION_OK);

    ASSERT_GE(bmp.size(), 54u);
    EXPECT_EQ(bmp[0], 'B');
    EXPECT_EQ(bmp[1], 'M');
    EXPECT_EQ(read32(bmp, 2), std::int32_t(bmp.size()));
    EXPECT_EQ(read32(bmp, 18), 16 * get_icons());
    EXPECT_EQ(read32(bmp, 22), 16);
    EXPECT_EQ(bmp[28], 24);
}

TEST(CompanionExports, IconsImageReportsABadOrFailingStream) {
    EXPECT_EQ(get_icons_image(nullptr), TB_COMPANION_BAD_STREAM);
    TbStream noWriter{nullptr, nullptr};
    EXPECT_EQ(get_icons_image(&noWriter), TB_COMPANION_BAD_STREAM);
    TbStream refusing{nullptr, refuseBytes};
    EXPECT_EQ(get_icons_image(&refusing), TB_COMPANION_WRITE_FAILED);
}

TEST(CompanionExports, EveryClassTheProgramShowsHasAnIcon) {
    for (const char *name : {"tree root",
                             "Country",
                             "Locality",
                             "Organization",
                             "Organizational Unit",
                             "domain",
                             "User",
                             "Person",
                             "Organizational Person",
                             "Group",
                             "Workstation",
                             "Workstation Group",
                             "zenWorkstationGroup",
                             "Alias",
                             "NCP Server",
                             "Volume",
                             "Organizational Role",
                             "Printer",
                             "Queue",
                             "Directory Map",
                             "User-posixAccount",
                             "User-apple",
                             "Unknown2"}) {
        const int index = get_nr_icon(name);
        ASSERT_GE(index, 0) << name;
        ASSERT_LT(index, get_icons()) << name;
        EXPECT_STREQ(get_icon_name(index), name);
    }
    EXPECT_EQ(get_icon_name(get_icons()), nullptr);
}

TEST(CompanionExports, NameLookupIgnoresCaseAndRefusesUnknownNames) {
    EXPECT_EQ(get_nr_icon("organizational unit"), get_nr_icon("Organizational Unit"));
    EXPECT_EQ(get_nr_icon("ZENWORKSTATIONGROUP"), get_nr_icon("zenWorkstationGroup"));
    EXPECT_LT(get_nr_icon("No Such Class"), 0);
    EXPECT_LT(get_nr_icon("User-"), 0);
    EXPECT_LT(get_nr_icon(""), 0);
    EXPECT_LT(get_nr_icon(nullptr), 0);
    EXPECT_LT(get_nr_icon(std::string(5000, 'x').c_str()), 0);
}

TEST(CompanionExports, ValuesAndThePathReadBackTruncatedToTheBuffer) {
    EXPECT_GE(version(), 2);
    set_path("/opt/tarnbeck/bin/");
    char buffer[64];
    EXPECT_EQ(get_value(TB_COMPANION_KEY_PATH, buffer, sizeof buffer), 18);
    EXPECT_STREQ(buffer, "/opt/tarnbeck/bin/");

    char small[5];
    EXPECT_EQ(get_value(TB_COMPANION_KEY_PATH, small, sizeof small), 18);
    EXPECT_STREQ(small, "/opt");

    EXPECT_EQ(set_value("colour", "blue"), 0);
    EXPECT_EQ(get_value("colour", nullptr, 0), 4);
    EXPECT_EQ(get_value("missing", buffer, sizeof buffer), -1);
    EXPECT_NE(set_value(nullptr, "x"), 0);
}

} // namespace

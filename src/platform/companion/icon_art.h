#pragma once

// The character art of the icons (see raster.h for the palette letters). Base pictures are
// 16 x 16; badges are small pictures painted over a corner of a base picture.

#include "palette.h"

#include <array>
#include <string_view>

namespace orvexa::art {

using Icon = std::array<std::string_view, 16>;

consteval bool isIconArt(const Icon &icon) {
    for (std::string_view row : icon)
        if (row.size() != 16)
            return false;
    return artUsesPalette(icon);
}

inline constexpr Icon treeRoot = {
    "................", "......hhhh......", "....hhGGgghh....", "...hGGggggggh...",
    "..hGGgggggggghh.", "..hGgggggggggh..", ".hGgggggggggggh.", ".hggggggggggggh.",
    "..hggggggggggh..", "...hhgggggghh...", ".....hhnnhh.....", ".......nn.......",
    ".......nn.......", "......nnnn......", "....nnnnnnnn....", "................",
};

inline constexpr Icon country = {
    "................", ".kk.............", ".kkrrrrrrrrrrr..", ".kkrrrrrrrrrrr..",
    ".kkrrrrrrrrrrr..", ".kkyyyyyyyyyyy..", ".kkyyyyyyyyyyy..", ".kkbbbbbbbbbbb..",
    ".kkbbbbbbbbbbb..", ".kkbbbbbbbbbbb..", ".kk.............", ".kk.............",
    ".kk.............", ".kk.............", "kkkk............", "................",
};

inline constexpr Icon locality = {
    "................", ".....kkkkkk.....", "....krrrrrrk....", "...krrrrrrrrk...",
    "...krrrwwrrrk...", "...krrwwwwrrk...", "...krrwwwwrrk...", "...krrrwwrrrk...",
    "....krrrrrrk....", "....krrrrrrk....", ".....krrrrk.....", "......krrk......",
    "......krrk......", ".......kk.......", "....llllllll....", "................",
};

inline constexpr Icon organization = {
    "................", "..kkkkkkkkkkkk..", "..kllllllllllk..", "..klBBlBBlBBlk..",
    "..klBBlBBlBBlk..", "..kllllllllllk..", "..klBBlBBlBBlk..", "..klBBlBBlBBlk..",
    "..kllllllllllk..", "..klBBlBBlBBlk..", "..klBBlBBlBBlk..", "..kllllllllllk..",
    "..kllllnnllllk..", "..kllllnnllllk..", "kkkkkkkkkkkkkkkk", "................",
};

inline constexpr Icon organizationalUnit = {
    "................", "................", ".kkkkk..........", "kOOOOOk.........",
    "kOOOOOOkkkkkkkk.", "kOOOOOOOOOOOOOOk", "kyyyyyyyyyyyyyyk", "kyyyyyyyyyyyyyyk",
    "kyyyyyyyyyyyyyyk", "kyyyyyyyyyyyyyyk", "kyyyyyyyyyyyyyyk", "kyyyyyyyyyyyyyyk",
    "kyyyyyyyyyyyyyyk", "kyyyyyyyyyyyyyyk", "kkkkkkkkkkkkkkkk", "................",
};

inline constexpr Icon domain = {
    ".....kkkkkk.....", "...kkBgggBBkk...", "..kBggggBBBBBk..", ".kBBgggggBBBBBk.",
    ".kBBBgggBBBBggk.", "kBBBBBggBBBgggBk", "kBBBBBgBBBggggBk", "kBBBBBBBBBgggBBk",
    "kBBBBBBBBBggBBBk", "kBBBggBBBBBBBBBk", ".kBBgggBBBBBBBk.", ".kBBBggBBBBBBBk.",
    "..kBBBBBBBBBBk..", "...kkBBBBBBkk...", ".....kkkkkk.....", "................",
};

inline constexpr Icon user = {
    "................", "......kkkk......", ".....knnnnk.....", "....knnnnnnk....",
    "....knssssnk....", "....kssssssk....", "....kssssssk....", ".....kssssk.....",
    "......kssk......", "...kkkbbbbkkk...", "..kbbbbbbbbbbk..", ".kbbbbbbbbbbbbk.",
    ".kbbbbbbbbbbbbk.", ".kbbbbbbbbbbbbk.", ".kkkkkkkkkkkkkk.", "................",
};

inline constexpr Icon person = {
    "................", "......kkkk......", ".....knnnnk.....", "....knnnnnnk....",
    "....knssssnk....", "....kssssssk....", "....kssssssk....", ".....kssssk.....",
    "......kssk......", "...kkkggggkkk...", "..kggggggggggk..", ".kggggggggggggk.",
    ".kggggggggggggk.", ".kggggggggggggk.", ".kkkkkkkkkkkkkk.", "................",
};

inline constexpr Icon organizationalPerson = {
    "................", "......kkkk......", ".....knnnnk.....", "....knnnnnnk....",
    "....knssssnk....", "....kssssssk....", "....kssssssk....", ".....kssssk.....",
    "......kssk......", "...kkkwrrwkkk...", "..kddddrrddddk..", ".kdddddrrdddddk.",
    ".kddddrrrrddddk.", ".kdddddrrdddddk.", ".kkkkkkkkkkkkkk.", "................",
};

inline constexpr Icon organizationalRole = {
    "................", ".....kkkkkk.....", ".....kkkkkk.....", ".....kkkkkk.....",
    "...kkkkkkkkkk...", "....kssssssk....", "....kssssssk....", ".....kssssk.....",
    "......kssk......", "...kkkppppkkk...", "..kppppppppppk..", ".kppppppppppppk.",
    ".kppppyyppppppk.", ".kppppyyppppppk.", ".kkkkkkkkkkkkkk.", "................",
};

inline constexpr Icon group = {
    "..kkk......kkk..", ".knnnk....knnnk.", ".ksssk.kk.ksssk.", ".ksssknnnnksssk.",
    "..kkk.kssk.kkk..", ".kgggksssskrrrk.", "kggggksssskrrrrk", "kgggggksskrrrrrk",
    "kggggkkbbkkrrrrk", "kgggkbbbbbbkrrrk", "kggkbbbbbbbbkrrk", "kggkbbbbbbbbkrrk",
    "kkkkbbbbbbbbkkkk", "...kbbbbbbbbk...", "...kkkkkkkkkk...", "................",
};

inline constexpr Icon workstation = {
    "................", ".kkkkkkkkkkkkkk.", ".kddddddddddddk.", ".kdBBBBBBBBBBdk.",
    ".kdBwBBBBBBBBdk.", ".kdBBBBBBBBBBdk.", ".kdBBBBBBBBBBdk.", ".kdBBBBBBBBBBdk.",
    ".kdBBBBBBBBBBdk.", ".kddddddddddddk.", ".kkkkkkkkkkkkkk.", "......kddk......",
    "......kddk......", "...kkkkkkkkkk...", "...kllllllllk...", "...kkkkkkkkkk...",
};

inline constexpr Icon workstationGroup = {
    "kkkkkkkkk.......", "kdddddddk.......", "kdBBBBBdk.......", "kdBBBBBdk.......",
    "kdBBBkkkkkkkkkkk", "kddddkdddddddddk", "kkkkkkdBBBBBBBdk", "..kk.kdBBBBBBBdk",
    "kkkk.kdBBBBBBBdk", ".....kdBBBBBBBdk", ".....kdddddddddk", ".....kkkkkkkkkkk",
    "........kddk....", ".......kkkkkkkk.", ".......kllllllk.", ".......kkkkkkkk.",
};

inline constexpr Icon page = {
    "..kkkkkkkkk.....", "..kwwwwwwwkk....", "..kwwwwwwwklk...", "..kwwwwwwwkkkk..",
    "..kwwwwwwwwwwk..", "..kwllllllllwk..", "..kwwwwwwwwwwk..", "..kwllllllllwk..",
    "..kwwwwwwwwwwk..", "..kwllllllllwk..", "..kwwwwwwwwwwk..", "..kwllllllllwk..",
    "..kwwwwwwwwwwk..", "..kwwwwwwwwwwk..", "..kkkkkkkkkkkk..", "................",
};

inline constexpr Icon server = {
    "................", "...kkkkkkkkkk...", "...kllllllllk...", "...klkkkkkklk...",
    "...klkddddklk...", "...klkkkkkklk...", "...kllllllllk...", "...klkkkkkklk...",
    "...klkddddklk...", "...klkkkkkklk...", "...kllllllllk...", "...kllllllgrk...",
    "...kllllllllk...", "...kllllllllk...", "...kkkkkkkkkk...", "................",
};

inline constexpr Icon volume = {
    "................", "....kkkkkkkk....", "..kkBBBBBBBBkk..", ".kBBBBBBBBBBBBk.",
    ".kkBBBBBBBBBBkk.", ".kbbkkkkkkkkbbk.", ".kbbbbbbbbbbbbk.", ".kbbbbbbbbbbbbk.",
    ".kbbbbbbbbbbbbk.", ".kbbbbbbbbbbbbk.", ".kbbbbbbbbbbbbk.", ".kbbbbbbbbbbbbk.",
    ".kkbbbbbbbbbbkk.", "..kkbbbbbbbbkk..", "....kkkkkkkk....", "................",
};

inline constexpr Icon printer = {
    "................", "....kkkkkkkk....", "....kwwwwwwk....", "....kwllllwk....",
    "....kwwwwwwk....", "..kkkkkkkkkkkk..", ".kllllllllllllk.", ".kllllllllllglk.",
    ".kllllllllllllk.", ".kddddddddddddk.", ".kkkkkkkkkkkkkk.", "...kwwwwwwwwk...",
    "...kwllllllwk...", "...kwwwwwwwwk...", "...kkkkkkkkkk...", "................",
};

inline constexpr Icon queue = {
    "................", ".....kkkkkkkkkk.", ".....kwwwwwwwwk.", "...kkkkkkkkkkwk.",
    "...kwwwwwwwwkwk.", ".kkkkkkkkkkwkwk.", ".kwwwwwwwwkwkwk.", ".kwllllllwkwkwk.",
    ".kwwwwwwwwkwkwk.", ".kwllllllwkwkwk.", ".kwwwwwwwwkwkkk.", ".kwllllllwkwk...",
    ".kwwwwwwwwkkk...", ".kwwwwwwwwk.....", ".kkkkkkkkkk.....", "................",
};

inline constexpr Icon directoryMap = {
    "................", "................", ".kkkkkkkkkkkkkk.", ".kGGGkOOOOkGGGk.",
    ".kGrGkOOOOkGGGk.", ".kGrGkOOOOkGGGk.", ".kGrrkrOOOkGGGk.", ".kGGGkOrrOkGGGk.",
    ".kGGGkOOOrkrGGk.", ".kGGGkOOOOkGrGk.", ".kGGGkOOOOkGrGk.", ".kGGGkOOOOkGGGk.",
    ".kkkkkkkkkkkkkk.", "................", "................", "................",
};

inline constexpr Icon unknown = {
    "................", "..kkkkkkkkkkkk..", "..kllllllllllk..", "..klllkkkklllk..",
    "..kllkkllkkllk..", "..kllllllkkllk..", "..klllllkklllk..", "..kllllkkllllk..",
    "..kllllkkllllk..", "..kllllllllllk..", "..kllllkkllllk..", "..kllllkkllllk..",
    "..kllllllllllk..", "..kkkkkkkkkkkk..", "................", "................",
};

static_assert(isIconArt(treeRoot) && isIconArt(country) && isIconArt(locality) &&
              isIconArt(organization) && isIconArt(organizationalUnit) && isIconArt(domain) &&
              isIconArt(user) && isIconArt(person) && isIconArt(organizationalPerson) &&
              isIconArt(organizationalRole) && isIconArt(group) && isIconArt(workstation) &&
              isIconArt(workstationGroup) && isIconArt(page) && isIconArt(server) &&
              isIconArt(volume) && isIconArt(printer) && isIconArt(queue) &&
              isIconArt(directoryMap) && isIconArt(unknown));

// Badges: painted over a base picture at the position given with each icon.
inline constexpr std::array<std::string_view, 8> aliasArrow = {
    "kkkkkkkk", "kwwkkkkk", "kwwwkkkk", "kwwkkwkk", "kwkkwwwk", "kkkwwwwk", "kkwwwwwk", "kkkkkkkk",
};

inline constexpr std::array<std::string_view, 8> terminal = {
    "wwwwwwww", "wkkkkkkw", "wkGkkkkw", "wkkGkkkw", "wkGkkkkw", "wkkkGGkw", "wkkkkkkw", "wwwwwwww",
};

inline constexpr std::array<std::string_view, 8> apple = {
    ".....Gw.", "....GGw.", ".wwwnwww", "wrrrnrrw", "wrrrrrrw", "wrrrrrrw", ".wrrrrw.", "..wwww..",
};

inline constexpr std::array<std::string_view, 7> zen = {
    ".rrrrr.", "rwwwwwr", "rrrrwrr", "rrrwrrr", "rrwrrrr", "rwwwwwr", ".rrrrr.",
};

inline constexpr std::array<std::string_view, 7> printerBadge = {
    ".kkkkk.", "kkwwwkk", "klllllk", "klllllk", "kkkkkkk", ".kwwwk.", ".kkkkk.",
};

static_assert(artUsesPalette(aliasArrow) && artUsesPalette(terminal) && artUsesPalette(apple) &&
              artUsesPalette(zen) && artUsesPalette(printerBadge));

} // namespace orvexa::art

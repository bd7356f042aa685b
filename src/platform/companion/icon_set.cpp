#include "icon_set.h"

#include "icon_art.h"

#include <string>
#include <unordered_map>

namespace orvexa {
namespace {

struct Badge {
    ArtRows art;
    int x = 0;
    int y = 0;
};

struct IconDef {
    std::string_view name;
    ArtRows base;
    Badge badge; // empty art: none
};

const Badge aliasBadge{art::aliasArrow, 0, 8};
const Badge posixBadge{art::terminal, 8, 8};
const Badge appleBadge{art::apple, 8, 8};
const Badge zenBadge{art::zen, 9, 0};
const Badge printBadge{art::printerBadge, 9, 9};

// The order is the order of the strip; "tree root" comes first so the browser's top node has
// icon 0.
const IconDef kIcons[] = {
    {"tree root", art::treeRoot, {}},
    {"Country", art::country, {}},
    {"Locality", art::locality, {}},
    {"Organization", art::organization, {}},
    {"Organizational Unit", art::organizationalUnit, {}},
    {"domain", art::domain, {}},
    {"User", art::user, {}},
    {"Person", art::person, {}},
    {"Organizational Person", art::organizationalPerson, {}},
    {"Organizational Role", art::organizationalRole, {}},
    {"Group", art::group, {}},
    {"Workstation", art::workstation, {}},
    {"Workstation Group", art::workstationGroup, {}},
    {"zenWorkstationGroup", art::workstationGroup, zenBadge},
    {"Alias", art::page, aliasBadge},
    {"NCP Server", art::server, {}},
    {"Print Server", art::server, printBadge},
    {"Volume", art::volume, {}},
    {"Printer", art::printer, {}},
    {"Queue", art::queue, {}},
    {"Directory Map", art::directoryMap, {}},
    {"User-posixAccount", art::user, posixBadge},
    {"User-apple", art::user, appleBadge},
    {"Person-posixAccount", art::person, posixBadge},
    {"Person-apple", art::person, appleBadge},
    {"Organizational Person-posixAccount", art::organizationalPerson, posixBadge},
    {"Organizational Person-apple", art::organizationalPerson, appleBadge},
    {"Unknown", art::unknown, {}},
    {"Unknown2", art::unknown, {}},
};

constexpr int kCount = int(std::size(kIcons));

std::string lowered(std::string_view text) {
    std::string out(text);
    for (char &c : out)
        if (c >= 'A' && c <= 'Z')
            c = char(c - 'A' + 'a');
    return out;
}

const std::unordered_map<std::string, int> &indexByLoweredName() {
    static const std::unordered_map<std::string, int> index = [] {
        std::unordered_map<std::string, int> map;
        for (int i = 0; i < kCount; ++i)
            map.emplace(lowered(kIcons[i].name), i);
        return map;
    }();
    return index;
}

Raster paintStrip() {
    Raster strip(kCount * kIconSize, kIconSize, Rgb{255, 255, 255});
    for (int i = 0; i < kCount; ++i) {
        const IconDef &icon = kIcons[i];
        const int left = i * kIconSize;
        paintArt(strip, icon.base, left, 0);
        paintArt(strip, icon.badge.art, left + icon.badge.x, icon.badge.y);
    }
    return strip;
}

} // namespace

int iconCount() {
    return kCount;
}

std::string_view iconName(int index) {
    return index >= 0 && index < kCount ? kIcons[index].name : std::string_view();
}

int iconIndex(std::string_view name) {
    const auto &index = indexByLoweredName();
    const auto it = index.find(lowered(name));
    return it == index.end() ? -1 : it->second;
}

const Raster &iconStrip() {
    static const Raster strip = paintStrip();
    return strip;
}

} // namespace orvexa

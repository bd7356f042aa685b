#include "directory/text_compare.h"

#include <QLocale>

#include <unicode/ucol.h>
#include <unicode/ustring.h>

#include <algorithm>
#include <cstring>

namespace tarnbeck {

// ICU's collator for the user's locale at secondary strength: letters, then accents, never
// case. Sort keys come straight from it, so a list's keys are one block of bytes.
struct NameCollation::Collator {
    UCollator *collator = nullptr;
    ~Collator() {
        if (collator)
            ucol_close(collator);
    }
};

namespace {

std::string CollationLocale() {
    const QLocale user;
    // ICU's English order is the Unicode default order; the C locale would compare code points.
    if (user.language() == QLocale::C)
        return "en";
    std::string name = user.bcp47Name().toStdString();
    std::replace(name.begin(), name.end(), '-', '_');
    return name;
}

// `name` in UTF-16, into `text` (reused from name to name).
void Utf16(std::string_view name, std::u16string &text) {
    text.resize(name.size());
    int32_t length = 0;
    UErrorCode error = U_ZERO_ERROR;
    // Bytes that are no UTF-8 become U+FFFD, as they would on screen.
    u_strFromUTF8WithSub(reinterpret_cast<UChar *>(text.data()), static_cast<int32_t>(text.size()),
                         &length, name.data(), static_cast<int32_t>(name.size()), 0xFFFD, nullptr,
                         &error);
    text.resize(U_SUCCESS(error) ? static_cast<std::size_t>(length) : 0);
}

} // namespace

NameCollation::NameCollation() : collator_(std::make_unique<Collator>()) {
    UErrorCode error = U_ZERO_ERROR;
    collator_->collator = ucol_open(CollationLocale().c_str(), &error);
    if (U_FAILURE(error)) {
        error = U_ZERO_ERROR;
        collator_->collator = ucol_open("", &error); // the Unicode default order
    }
    if (collator_->collator) {
        ucol_setAttribute(collator_->collator, UCOL_NORMALIZATION_MODE, UCOL_ON, &error);
        ucol_setAttribute(collator_->collator, UCOL_STRENGTH, UCOL_SECONDARY, &error);
    }
}

NameCollation::~NameCollation() = default;

bool NameCollation::less(std::string_view a, std::string_view b) const {
    if (!collator_->collator)
        return CompareIgnoreCase(a, b) < 0;
    UErrorCode error = U_ZERO_ERROR;
    return ucol_strcollUTF8(collator_->collator, a.data(), static_cast<int32_t>(a.size()),
                            b.data(), static_cast<int32_t>(b.size()), &error) == UCOL_LESS;
}

std::vector<std::size_t> NameCollation::order(const std::vector<std::string_view> &names) const {
    std::vector<std::size_t> positions(names.size());
    for (std::size_t i = 0; i < positions.size(); ++i)
        positions[i] = i;
    if (!collator_->collator) {
        std::stable_sort(positions.begin(), positions.end(), [&](std::size_t a, std::size_t b) {
            return CompareIgnoreCase(names[a], names[b]) < 0;
        });
        return positions;
    }
    // One sort key per name, all in one block, so each comparison compares bytes in place.
    std::string keys;
    std::vector<std::pair<std::size_t, std::size_t>> spans(names.size()); // offset, length
    std::vector<std::uint8_t> key(64);
    std::u16string text;
    for (std::size_t i = 0; i < names.size(); ++i) {
        Utf16(names[i], text);
        const auto *chars = reinterpret_cast<const UChar *>(text.data());
        const auto length = static_cast<int32_t>(text.size());
        int32_t size = ucol_getSortKey(collator_->collator, chars, length, key.data(),
                                       static_cast<int32_t>(key.size()));
        if (size > static_cast<int32_t>(key.size())) {
            key.resize(static_cast<std::size_t>(size));
            size = ucol_getSortKey(collator_->collator, chars, length, key.data(), size);
        }
        if (i == 0) // room for keys a little longer than the first, so the block is seldom copied
            keys.reserve(names.size() * (static_cast<std::size_t>(size) * 5 / 4));
        spans[i] = {keys.size(), static_cast<std::size_t>(size)};
        keys.append(reinterpret_cast<const char *>(key.data()), static_cast<std::size_t>(size));
    }
    std::stable_sort(positions.begin(), positions.end(), [&](std::size_t a, std::size_t b) {
        return std::string_view(keys).substr(spans[a].first, spans[a].second) <
               std::string_view(keys).substr(spans[b].first, spans[b].second);
    });
    return positions;
}

void SortNames(std::vector<std::string> &names) {
    const std::vector<std::string_view> views(names.begin(), names.end());
    std::vector<std::string> sorted;
    sorted.reserve(names.size());
    for (const std::size_t position : NameCollation().order(views))
        sorted.push_back(std::move(names[position]));
    names = std::move(sorted);
}

} // namespace tarnbeck

#include "directory/text_compare.h"

#include "platform/dsclient/key_sort.h"

#include <QLocale>

#include <unicode/ucol.h>
#include <unicode/uset.h>
#include <unicode/ustring.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>
#include <map>
#include <memory>
#include <mutex>

namespace tarnbeck {

// ICU's collator for the user's locale at secondary strength: letters, then accents, never
// case. Sort keys come straight from it, so a list's keys are one block of bytes.
struct NameCollation::Collator {
    UCollator *collator = nullptr;
    // Each printable ASCII character's place in the collator's order (equal places compare
    // equal), when the collator compares names of such characters one character at a time;
    // all zero otherwise. A list of such names then takes its places as sort keys: they order
    // it as ICU's own keys would, at a small part of the cost.
    std::array<std::uint8_t, 128> asciiPlaces{};
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

// Buffers reused from name to name while keys are made.
struct SortKeyScratch {
    std::u16string text;
    std::vector<std::uint8_t> key = std::vector<std::uint8_t>(64);
};

// Appends ICU's sort key of `name` to `keys`.
void AppendSortKey(UCollator *collator, std::string_view name, SortKeyScratch &scratch,
                   std::string &keys) {
    Utf16(name, scratch.text);
    const auto *chars = reinterpret_cast<const UChar *>(scratch.text.data());
    const auto length = static_cast<int32_t>(scratch.text.size());
    std::vector<std::uint8_t> &key = scratch.key;
    int32_t size =
        ucol_getSortKey(collator, chars, length, key.data(), static_cast<int32_t>(key.size()));
    if (size > static_cast<int32_t>(key.size())) {
        key.resize(static_cast<std::size_t>(size));
        size = ucol_getSortKey(collator, chars, length, key.data(), size);
    }
    keys.append(reinterpret_cast<const char *>(key.data()), static_cast<std::size_t>(size));
}

constexpr char16_t kFirstPrintable = 0x20, kLastPrintable = 0x7e;

bool PrintableAscii(std::string_view name) {
    return std::all_of(name.begin(), name.end(), [](char c) {
        return c >= static_cast<char>(kFirstPrintable) && c <= static_cast<char>(kLastPrintable);
    });
}

using SetHandle = std::unique_ptr<USet, decltype(&uset_close)>;

// Whether a contraction of the collator (e.g. Czech "ch", Danish "aa") is all ASCII.
bool HasAsciiContraction(const USet *contractions) {
    std::u16string text(64, u'\0');
    for (int32_t item = 0; item < uset_getItemCount(contractions); ++item) {
        UChar32 first = 0, last = 0;
        UErrorCode error = U_ZERO_ERROR;
        const int32_t length =
            uset_getItem(contractions, item, &first, &last, reinterpret_cast<UChar *>(text.data()),
                         static_cast<int32_t>(text.size()), &error);
        if (U_FAILURE(error))
            return true; // one too long to look at: take it for one that matters
        if (length == 0) // a range of code points, no string
            continue;
        if (std::all_of(text.begin(), text.begin() + length, [](char16_t c) { return c < 0x80; }))
            return true;
    }
    return false;
}

// The places of the printable ASCII characters (see Collator), or all zero when the collator
// orders names of them otherwise than character by character: by contractions, expansions,
// numbers taken whole, ignorable characters (such as punctuation taken as shifted), or
// differences below the primary level among them.
std::array<std::uint8_t, 128> AsciiPlaces(UCollator *collator) {
    const std::array<std::uint8_t, 128> none{};
    UErrorCode error = U_ZERO_ERROR;
    if (ucol_getAttribute(collator, UCOL_NUMERIC_COLLATION, &error) != UCOL_OFF ||
        U_FAILURE(error))
        return none;
    const SetHandle contractions(uset_openEmpty(), uset_close);
    const SetHandle expansions(uset_openEmpty(), uset_close);
    ucol_getContractionsAndExpansions(collator, contractions.get(), expansions.get(), true,
                                      &error);
    if (U_FAILURE(error) || HasAsciiContraction(contractions.get()))
        return none;
    // Each character's primary weights and the rest of its key; the rest must be the same for
    // all, so names that agree at the primary level agree at the secondary level too.
    std::vector<std::pair<std::string, char16_t>> primaries;
    std::string rest;
    for (char16_t c = kFirstPrintable; c <= kLastPrintable; ++c) {
        if (uset_contains(expansions.get(), c))
            return none;
        std::uint8_t key[64];
        const int32_t size = ucol_getSortKey(collator, reinterpret_cast<const UChar *>(&c), 1,
                                             key, static_cast<int32_t>(sizeof key));
        if (size <= 0 || size > static_cast<int32_t>(sizeof key))
            return none;
        const std::string whole(reinterpret_cast<const char *>(key), static_cast<std::size_t>(size));
        const std::size_t separator = whole.find('\x01'); // ends the primary level
        if (separator == 0 || separator == std::string::npos)
            return none;
        if (c == kFirstPrintable)
            rest = whole.substr(separator);
        else if (whole.compare(separator, std::string::npos, rest) != 0)
            return none;
        primaries.emplace_back(whole.substr(0, separator), c);
    }
    std::sort(primaries.begin(), primaries.end());
    std::array<std::uint8_t, 128> places{};
    std::uint8_t place = 0;
    for (std::size_t i = 0; i < primaries.size(); ++i) {
        if (i == 0 || primaries[i].first != primaries[i - 1].first)
            ++place;
        places[primaries[i].second] = place;
    }
    return places;
}

// AsciiPlaces for the collator opened for `locale`, worked out once per locale: looking through
// a collator's contractions takes longer than sorting a short list.
std::array<std::uint8_t, 128> CachedAsciiPlaces(const std::string &locale, UCollator *collator) {
    static std::mutex mutex;
    static std::map<std::string, std::array<std::uint8_t, 128>> known;
    const std::lock_guard lock(mutex);
    const auto [at, added] = known.try_emplace(locale);
    if (added)
        at->second = AsciiPlaces(collator);
    return at->second;
}

} // namespace

NameCollation::NameCollation() : collator_(std::make_unique<Collator>()) {
    UErrorCode error = U_ZERO_ERROR;
    std::string locale = CollationLocale();
    collator_->collator = ucol_open(locale.c_str(), &error);
    if (U_FAILURE(error)) {
        error = U_ZERO_ERROR;
        collator_->collator = ucol_open("", &error); // the Unicode default order
        locale.clear();
    }
    if (collator_->collator) {
        ucol_setAttribute(collator_->collator, UCOL_NORMALIZATION_MODE, UCOL_ON, &error);
        ucol_setAttribute(collator_->collator, UCOL_STRENGTH, UCOL_SECONDARY, &error);
        collator_->asciiPlaces = CachedAsciiPlaces(locale, collator_->collator);
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

std::vector<std::size_t> NameCollation::order(const std::vector<std::string> &names) const {
    if (!collator_->collator) {
        std::vector<std::size_t> positions(names.size());
        for (std::size_t i = 0; i < positions.size(); ++i)
            positions[i] = i;
        std::stable_sort(positions.begin(), positions.end(), [&](std::size_t a, std::size_t b) {
            return CompareIgnoreCase(names[a], names[b]) < 0;
        });
        return positions;
    }
    const auto &places = collator_->asciiPlaces;
    const bool placesKnown = places[kFirstPrintable] != 0;
    if (placesKnown && std::all_of(names.begin(), names.end(), PrintableAscii))
        return dsclient::OrderByKeys(
            names.size(),
            [&](std::size_t position, std::size_t depth) {
                return dsclient::KeyWordOf(names[position], depth,
                                           [&](unsigned char c) { return unsigned{places[c]}; });
            },
            [&](std::size_t position) { return names[position].size(); });
    // ICU's sort keys, one after another in one block.
    std::string keys;
    std::vector<std::size_t> ends(names.size());
    SortKeyScratch scratch;
    for (std::size_t i = 0; i < names.size(); ++i) {
        AppendSortKey(collator_->collator, names[i], scratch, keys);
        if (i == 0) // room for keys a little longer than the first, so the block is seldom copied
            keys.reserve(names.size() * (keys.size() * 5 / 4));
        ends[i] = keys.size();
    }
    return dsclient::OrderByTextKeys(names.size(), [&](std::size_t position) {
        const std::size_t start = position == 0 ? 0 : ends[position - 1];
        return std::string_view(keys).substr(start, ends[position] - start);
    });
}

std::string NameCollation::key(std::string_view name) const {
    if (!collator_->collator)
        return ToLowerAscii(name);
    std::string key;
    SortKeyScratch scratch;
    AppendSortKey(collator_->collator, name, scratch, key);
    return key;
}

void SortNames(std::vector<std::string> &names) {
    std::vector<std::string> sorted;
    sorted.reserve(names.size());
    for (const std::size_t position : NameCollation().order(names))
        sorted.push_back(std::move(names[position]));
    names = std::move(sorted);
}

} // namespace tarnbeck

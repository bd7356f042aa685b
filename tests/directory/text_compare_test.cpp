#include "directory/text_compare.h"

#include <QLocale>

#include <gtest/gtest.h>

#include <random>

namespace tarnbeck {
namespace {

// Names of printable ASCII built to meet what locales treat specially: contractions ("ch",
// "aa", "ll", "cs"), digits, punctuation and both cases; and long runs alike but for case, so
// names agree far into themselves.
std::vector<std::string> AsciiNames(std::size_t count) {
    const std::vector<std::string> pieces = {"a", "A", "aa", "c", "ch", "CH", "cs", "h", "i",
                                             "I", "ll", "z", "0", "9", "10", "-", ".", " ",
                                             "_", "~", "!", "{", "user-", "Unit",
                                             "Organisational-Unit-", "organisational-unit-"};
    std::mt19937 random(7);
    std::vector<std::string> names(count);
    for (std::string &name : names)
        for (std::size_t parts = 1 + random() % 5; parts > 0; --parts)
            name += pieces[random() % pieces.size()];
    return names;
}

// The order must be the collator's own comparison, stable among equal names.
void ExpectOrderedAsCompared(const std::vector<std::string> &names, const char *locale) {
    QLocale::setDefault(QLocale(locale));
    const NameCollation collation;
    const std::vector<std::size_t> order = collation.order(names);
    ASSERT_EQ(order.size(), names.size());
    for (std::size_t i = 1; i < order.size(); ++i) {
        const std::string &before = names[order[i - 1]], &after = names[order[i]];
        ASSERT_FALSE(collation.less(after, before))
            << locale << ": \"" << before << "\" before \"" << after << "\"";
        if (!collation.less(before, after)) {
            ASSERT_LT(order[i - 1], order[i]) << locale << ": equal names swapped";
        }
    }
}

TEST(NameCollation, OrdersAsciiNamesAsTheLocaleCompares) {
    const std::vector<std::string> names = AsciiNames(1500);
    // Czech "ch", Danish "aa", Hungarian "cs" and Spanish "ll" are contractions; Turkish has
    // its own I; Thai takes punctuation as ignorable.
    for (const char *locale : {"en_US", "C", "de_DE", "cs_CZ", "da_DK", "hu_HU", "es_ES", "tr_TR",
                               "sv_SE", "fr_FR", "th_TH", "ja_JP"})
        ExpectOrderedAsCompared(names, locale);
    QLocale::setDefault(QLocale::c());
}

TEST(NameCollation, OneNameBeyondAsciiOrdersTheWholeListAsTheLocaleCompares) {
    std::vector<std::string> names = AsciiNames(300);
    names.push_back("\xc3\xa9mile");  // émile
    names.push_back("\xc3\x85se");    // Åse
    names.push_back("tab\there");     // a control character
    for (const char *locale : {"en_US", "da_DK", "cs_CZ"})
        ExpectOrderedAsCompared(names, locale);
    QLocale::setDefault(QLocale::c());
}

} // namespace
} // namespace tarnbeck

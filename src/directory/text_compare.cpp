#include "directory/text_compare.h"

#include <QCollator>
#include <QLocale>
#include <QString>

namespace tarnbeck {

struct NameCollation::Collator {
    QCollator collator;
};

namespace {

QLocale CollationLocale() {
    const QLocale user;
    // ICU's English order is the Unicode default order; Qt's C order compares code points.
    if (user.language() == QLocale::C)
        return QLocale(QLocale::English);
    return user;
}

QString Utf16(std::string_view name) {
    return QString::fromUtf8(name.data(), static_cast<qsizetype>(name.size()));
}

} // namespace

NameCollation::NameCollation() : collator_(std::make_unique<Collator>()) {
    collator_->collator = QCollator(CollationLocale());
    collator_->collator.setCaseSensitivity(Qt::CaseInsensitive);
}

NameCollation::~NameCollation() = default;

bool NameCollation::less(std::string_view a, std::string_view b) const {
    return collator_->collator.compare(Utf16(a), Utf16(b)) < 0;
}

std::vector<std::size_t> NameCollation::order(const std::vector<std::string_view> &names) const {
    // One sort key per name makes each comparison a byte compare.
    std::vector<std::pair<QCollatorSortKey, std::size_t>> keyed;
    keyed.reserve(names.size());
    for (std::size_t i = 0; i < names.size(); ++i)
        keyed.emplace_back(collator_->collator.sortKey(Utf16(names[i])), i);
    std::stable_sort(keyed.begin(), keyed.end(), [](const auto &a, const auto &b) {
        return a.first.compare(b.first) < 0;
    });
    std::vector<std::size_t> positions;
    positions.reserve(keyed.size());
    for (const auto &entry : keyed)
        positions.push_back(entry.second);
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

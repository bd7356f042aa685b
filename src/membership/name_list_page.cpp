#include "membership/name_list_page.h"

#include "directory/text_compare.h"
#include "membership/name_list.h"

#include <algorithm>

namespace tarnbeck {

std::vector<std::string> NameListPage::names() const {
    std::vector<std::string> names;
    names.reserve(items_.size());
    for (const ListedName &item : items_)
        names.push_back(item.name);
    return names;
}

void NameListPage::setTicked(std::size_t row, bool ticked) {
    if (row < items_.size())
        items_[row].ticked = ticked;
}

void NameListPage::add(const std::optional<std::string> &picked) {
    saveEnabled_ = true;
    if (!picked || picked->empty())
        return;
    if (std::any_of(items_.begin(), items_.end(),
                    [&](const ListedName &item) { return EqualsName(item.name, *picked); }))
        return;
    const NameCollation collation;
    const auto place = std::lower_bound(items_.begin(), items_.end(), *picked,
                                        [&](const ListedName &item, const std::string &name) {
                                            return collation.less(item.name, name);
                                        });
    items_.insert(place, ListedName{*picked, false});
}

void NameListPage::deleteTicked() {
    std::erase_if(items_, [](const ListedName &item) { return item.ticked; });
    saveEnabled_ = true;
}

void NameListPage::reload(dsclient::ContextHandle context, std::string_view groupName,
                          std::string_view attributeName) {
    items_.clear();
    saved_.clear();
    saved_ = ReadList(context, groupName, attributeName);
    for (const std::string &name : saved_)
        items_.push_back(ListedName{name, false});
    saveEnabled_ = false;
}

void NameListPage::save(dsclient::ContextHandle context, std::string_view groupName,
                        std::string_view attributeName) {
    std::vector<std::string> written = names();
    SaveList(context, groupName, attributeName, written);
    saved_ = std::move(written);
    saveEnabled_ = false;
}

void NameListPage::dropChanges() {
    items_.clear();
    for (const std::string &name : saved_)
        items_.push_back(ListedName{name, false});
    saveEnabled_ = false;
}

void NameListPage::clear() {
    items_.clear();
    saved_.clear();
    saveEnabled_ = false;
}

} // namespace tarnbeck

#include "query/search_base.h"

#include "directory/text_compare.h"

namespace tarnbeck {

std::string StripNamingTypes(std::string_view context) {
    std::string base;
    base.reserve(context.size());
    bool inNamingType = true;
    for (std::size_t i = 0; i < context.size(); ++i) {
        const char c = context[i];
        if (inNamingType) {
            if (c == '=')
                inNamingType = false;
            continue;
        }
        if (c == '\\' && i + 1 < context.size()) {
            base += c;
            base += context[++i];
            continue;
        }
        base += c;
        if (c == '.')
            inNamingType = true;
    }
    return base;
}

namespace {

// One component typed "t": the browser's name for the top of the tree.
bool IsTreeRoot(std::string_view context) {
    if (context.size() < 2 || !EqualsIgnoreCase(context.substr(0, 2), "t="))
        return false;
    for (std::size_t i = 2; i < context.size(); ++i) {
        if (context[i] == '\\')
            ++i;
        else if (context[i] == '.')
            return false;
    }
    return true;
}

} // namespace

std::string SearchBaseOf(std::string_view context) {
    // The tree's own name is no object in it; searching for one would find nothing.
    if (IsTreeRoot(context))
        return "[Root]";
    return StripNamingTypes(context);
}

} // namespace tarnbeck

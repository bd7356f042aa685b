#include "directory/search.h"

#include "directory/directory_error.h"
#include "directory/prompter.h"
#include "directory/request_support.h"
#include "directory/result_walk.h"
#include "directory/search_result.h"

namespace tarnbeck {

using namespace dsclient;

namespace {

constexpr std::uint32_t kStringSyntax = SYN_CI_STRING;
constexpr std::int32_t kNoSearchLimit = 0;

class SearchRun {
  public:
    SearchRun(ContextHandle context, const ProgressCallback &progress, ValueList &list)
        : context_(context), progress_(progress), result_(list) {}

    // Takes the objects of one pass's result into the list.
    void takePass(Buffer &result) {
        std::uint32_t objectCount = 0;
        CheckStatus(GetObjectCount(context_, result, objectCount));
        for (std::uint32_t i = 0; i < objectCount; ++i)
            takeObject(result);
        report();
    }

  private:
    void takeObject(Buffer &result) {
        ++handled_;
        report();
        std::string name;
        std::uint32_t attributeCount = 0;
        ObjectInfo info;
        CheckStatus(GetObjectName(context_, result, name, attributeCount, info));
        result_.beginObject(name);
        WalkAttributes(
            context_, result, attributeCount,
            [&](const std::string &attribute, std::uint32_t, std::uint32_t valueCount) {
                result_.addAttribute(attribute, valueCount);
            },
            [&](const AttrValue &value, std::uint32_t syntax) {
                result_.addValue(value, syntax);
                return true;
            });
    }

    void report() {
        if (progress_)
            progress_(handled_);
    }

    ContextHandle context_;
    const ProgressCallback &progress_;
    SearchResultBuilder result_;
    int handled_ = 0;
};

} // namespace

namespace {

// Runs the search pass by pass, handing each pass's result buffer to `takePass`. A failure
// before the first pass raises DirectoryError; one during the passes ends the search and goes
// into `passStatus` when given, else raises DirectoryError as well.
void RunPasses(ContextHandle context, std::string_view baseObjectName, FilterPtr filter,
               SearchScope scope, const std::vector<std::string> &attributeNames,
               const std::function<void(Buffer &)> &takePass, Status *passStatus) {
    BufferPtr result = NewBuffer(kDefaultBufferSize);
    BufferPtr names = NewBuffer(context, kDefaultBufferSize, DSV_SEARCH);
    BufferPtr filterBuffer = NewBuffer(context, kDefaultBufferSize, DSV_SEARCH_FILTER);
    for (const std::string &attribute : attributeNames)
        CheckStatus(PutAttributeName(context, *names, attribute));
    CheckStatus(PutFilter(context, *filterBuffer, filter));

    IterationGuard iteration(context, DSV_SEARCH);
    try {
        do {
            std::int32_t searched = 0;
            CheckStatus(Search(context, baseObjectName, static_cast<std::uint32_t>(scope), false,
                               *filterBuffer, DS_ATTRIBUTE_VALUES, false, names.get(),
                               iteration.handle(), kNoSearchLimit, searched, *result));
            takePass(*result);
        } while (iteration.more());
    } catch (const DirectoryError &error) {
        iteration.close();
        if (!passStatus)
            throw;
        *passStatus = error.status();
    }
}

} // namespace

ValueList SearchObjects(ContextHandle context, std::string_view baseObjectName, FilterPtr filter,
                        SearchScope scope, const std::vector<std::string> &attributeNames,
                        const ProgressCallback &progress, Status *passStatus) {
    ValueList list;
    SearchRun run(context, progress, list);
    // A pass that fails simply finds nothing more.
    Status failedPass = status::Ok;
    RunPasses(
        context, baseObjectName, std::move(filter), scope, attributeNames,
        [&run](Buffer &result) { run.takePass(result); }, &failedPass);
    if (passStatus)
        *passStatus = failedPass;
    return list;
}

void VisitFoundNames(ContextHandle context, std::string_view baseObjectName, FilterPtr filter,
                     SearchScope scope, const std::function<void(const std::string &)> &visit) {
    VisitFoundObjects(context, baseObjectName, std::move(filter), scope,
                      [&](const std::string &name, const ObjectInfo &) { visit(name); });
}

void VisitFoundObjects(ContextHandle context, std::string_view baseObjectName, FilterPtr filter,
                       SearchScope scope, const FoundObjectVisit &visit) {
    std::string name;
    RunPasses(
        context, baseObjectName, std::move(filter), scope, {},
        [&](Buffer &result) {
            std::uint32_t objectCount = 0;
            CheckStatus(GetObjectCount(context, result, objectCount));
            for (std::uint32_t i = 0; i < objectCount; ++i) {
                std::uint32_t attributeCount = 0;
                ObjectInfo info;
                CheckStatus(GetObjectName(context, result, name, attributeCount, info));
                visit(name, info);
            }
        },
        nullptr);
}

FilterPtr ClassAndNameFilter(const std::vector<std::string> &classNames, std::string_view name,
                             bool prefixMatch) {
    FilterPtr filter;
    CheckStatus(AllocFilter(filter));
    const auto add = [&](std::uint32_t token, std::string_view value = {},
                         std::uint32_t syntax = 0) {
        CheckStatus(AddFilterToken(*filter, token, value, syntax));
    };
    if (classNames.empty()) {
        add(FTOK_BASECLS);
        add(FTOK_ANAME, "*", kStringSyntax);
    } else {
        add(FTOK_LPAREN);
        for (std::size_t i = 0; i < classNames.size(); ++i) {
            if (i > 0)
                add(FTOK_OR);
            add(FTOK_BASECLS);
            add(FTOK_ANAME, classNames[i], kStringSyntax);
        }
        add(FTOK_RPAREN);
    }
    add(FTOK_AND);
    add(FTOK_RDN);
    add(FTOK_ANAME, prefixMatch ? std::string(name) + "*" : std::string(name), kStringSyntax);
    add(FTOK_END);
    return filter;
}

std::vector<std::string> FindObjectsByClass(ContextHandle context, std::string_view baseObjectName,
                                            std::string_view name,
                                            const std::vector<std::string> &classNames,
                                            bool prefixMatch, const ProgressCallback &progress) {
    BusyCursor busy;
    const ValueList found =
        SearchObjects(context, baseObjectName, ClassAndNameFilter(classNames, name, prefixMatch),
                      SearchScope::Sub, {}, progress);
    std::vector<std::string> names;
    names.reserve(found.size() / 2);
    for (std::size_t i = 1; i < found.size(); i += 2)
        names.push_back(found[i].text);
    return names;
}

} // namespace tarnbeck

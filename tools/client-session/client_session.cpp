#include "client_session.h"

#include "platform/dsclient/embedded/tree_error.h"

#include <algorithm>
#include <cctype>
#include <optional>
#include <unordered_set>
#include <utility>

namespace tarnbeck {

using namespace dsclient::embedded;

namespace {

using namespace dsclient;

void Check(Status status, const std::string &what) {
    if (status != status::Ok)
        throw TreeError(status, what);
}

std::string Lowered(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

// Closes an iteration left open when a loop ends early.
class IterationGuard {
  public:
    IterationGuard(ContextHandle context, std::uint32_t operation)
        : context_(context), operation_(operation) {}
    ~IterationGuard() {
        if (handle != kNoIteration)
            CloseIteration(context_, handle, operation_);
    }
    IterationGuard(const IterationGuard &) = delete;
    IterationGuard &operator=(const IterationGuard &) = delete;
    IterationHandle handle = kNoIteration;

  private:
    ContextHandle context_;
    std::uint32_t operation_;
};

// Consumes the attributes following an object name in a result buffer.
void SkipAttributes(ContextHandle context, Buffer &result, std::uint32_t attributeCount) {
    for (std::uint32_t a = 0; a < attributeCount; ++a) {
        std::string name;
        std::uint32_t valueCount = 0, syntax = 0;
        Check(GetAttributeName(context, result, name, valueCount, syntax), "reading a result");
        for (std::uint32_t v = 0; v < valueCount; ++v) {
            AttrValue value;
            Check(GetAttributeValue(context, result, syntax, value), "reading a result");
        }
    }
}

} // namespace

std::vector<SearchToken> EqualsText(std::string attribute, std::string value) {
    return {{FTOK_ANAME, std::move(attribute), SYN_CI_STRING},
            {FTOK_EQ, {}, 0},
            {FTOK_AVAL, std::move(value), SYN_CI_STRING}};
}

std::vector<SearchToken> EqualsBoolean(std::string attribute, bool value) {
    std::string bytes = {static_cast<char>(value ? 1 : 0), '\0', '\0', '\0'};
    return {{FTOK_ANAME, std::move(attribute), SYN_CI_STRING},
            {FTOK_EQ, {}, 0},
            {FTOK_AVAL, std::move(bytes), SYN_BOOLEAN}};
}

std::vector<SearchToken> Present(std::string attribute) {
    return {{FTOK_PRESENT, {}, 0}, {FTOK_ANAME, std::move(attribute), SYN_CI_STRING}};
}

ClientSession::ClientSession(std::vector<TreeConfig> trees) {
    ClientConfig config;
    if (!trees.empty())
        config.primaryTree = trees.front().name;
    config.trees = std::move(trees);
    OverrideClientConfig(std::move(config));
    Status status = CallsInitialize();
    if (status == status::Ok) {
        status = CreateContext(context_);
        if (status != status::Ok)
            CallsTerminate();
    }
    if (status != status::Ok) {
        OverrideClientConfig(std::nullopt);
        throw TreeError(status, "starting the directory client");
    }
}

ClientSession::~ClientSession() {
    FreeContext(context_);
    CallsTerminate();
    OverrideClientConfig(std::nullopt);
}

BufferPtr ClientSession::buffer(std::size_t capacity, std::uint32_t operation) {
    BufferPtr result;
    Check(AllocBuffer(capacity, result), "allocating a buffer");
    Check(InitBuffer(context_, operation, *result), "initialising a buffer");
    return result;
}

std::vector<AttrValue> ClientSession::values(std::string_view object, std::string_view attribute) {
    BufferPtr names = buffer(kDefaultBufferSize, DSV_READ);
    Check(PutAttributeName(context_, *names, attribute), "naming " + std::string(attribute));
    BufferPtr result;
    Check(AllocBuffer(kDefaultBufferSize, result), "allocating a buffer");

    std::vector<AttrValue> values;
    IterationGuard iteration(context_, DSV_READ);
    do {
        Status status = Read(context_, object, DS_ATTRIBUTE_VALUES, false, names.get(),
                             iteration.handle, *result);
        if (status == status::NoSuchAttribute)
            return values;
        Check(status, "reading " + std::string(attribute) + " of " + std::string(object));
        std::uint32_t attributes = 0;
        Check(GetAttributeCount(context_, *result, attributes), "reading a result");
        for (std::uint32_t a = 0; a < attributes; ++a) {
            std::string name;
            std::uint32_t valueCount = 0, syntax = 0;
            Check(GetAttributeName(context_, *result, name, valueCount, syntax),
                  "reading a result");
            for (std::uint32_t v = 0; v < valueCount; ++v) {
                AttrValue value;
                Check(GetAttributeValue(context_, *result, syntax, value), "reading a result");
                values.push_back(std::move(value));
            }
        }
    } while (iteration.handle != kNoIteration);
    return values;
}

std::vector<std::string> ClientSession::texts(std::string_view object, std::string_view attribute) {
    std::vector<std::string> texts;
    for (const AttrValue &value : values(object, attribute))
        if (const auto *text = std::get_if<Text>(&value.data))
            texts.push_back(text->text);
    return texts;
}

std::vector<std::string> ClientSession::search(std::string_view base, std::uint32_t scope,
                                               const std::vector<SearchToken> &filterTokens,
                                               std::size_t bufferSize) {
    FilterPtr filter;
    Check(AllocFilter(filter), "allocating a filter");
    for (const SearchToken &token : filterTokens)
        Check(AddFilterToken(*filter, token.token, token.value, token.syntax),
              "adding a filter token");
    Check(AddFilterToken(*filter, FTOK_END, {}, 0), "ending the filter");
    BufferPtr filterBuffer = buffer(kDefaultBufferSize, DSV_SEARCH_FILTER);
    Check(PutFilter(context_, *filterBuffer, filter), "putting the filter");
    BufferPtr names = buffer(kDefaultBufferSize, DSV_SEARCH);
    BufferPtr result;
    Check(AllocBuffer(bufferSize, result), "allocating a buffer");

    std::vector<std::string> found;
    std::unordered_set<std::string> seen;
    IterationGuard iteration(context_, DSV_SEARCH);
    do {
        std::int32_t searched = 0;
        Check(Search(context_, base, scope, false, *filterBuffer, DS_ATTRIBUTE_VALUES, false,
                     names.get(), iteration.handle, 0, searched, *result),
              "searching below " + std::string(base));
        std::uint32_t objects = 0;
        Check(GetObjectCount(context_, *result, objects), "reading a result");
        for (std::uint32_t i = 0; i < objects; ++i) {
            std::string name;
            std::uint32_t attributes = 0;
            ObjectInfo info;
            Check(GetObjectName(context_, *result, name, attributes, info), "reading a result");
            SkipAttributes(context_, *result, attributes);
            if (seen.insert(Lowered(name)).second)
                found.push_back(std::move(name));
        }
    } while (iteration.handle != kNoIteration);
    return found;
}

std::vector<std::string> ClientSession::list(std::string_view parent, std::size_t bufferSize) {
    BufferPtr result;
    Check(AllocBuffer(bufferSize, result), "allocating a buffer");
    std::vector<std::string> names;
    IterationGuard iteration(context_, DSV_LIST);
    do {
        Check(List(context_, parent, iteration.handle, *result), "listing " + std::string(parent));
        std::uint32_t objects = 0;
        Check(GetObjectCount(context_, *result, objects), "reading a result");
        for (std::uint32_t i = 0; i < objects; ++i) {
            std::string name;
            std::uint32_t attributes = 0;
            ObjectInfo info;
            Check(GetObjectName(context_, *result, name, attributes, info), "reading a result");
            SkipAttributes(context_, *result, attributes);
            names.push_back(std::move(name));
        }
    } while (iteration.handle != kNoIteration);
    return names;
}

Status ClientSession::modify(std::string_view object, std::uint32_t changeType,
                             std::string_view attribute, const AttrValue *value) {
    const std::size_t size = value ? ChangeAndValueSize(attribute, *value) : ChangeSize(attribute);
    BufferPtr changes = buffer(std::max(size, kDefaultBufferSize), DSV_MODIFY_ENTRY);
    Status put = value ? PutChangeAndValue(context_, *changes, changeType, attribute, *value)
                       : PutChange(context_, *changes, changeType, attribute);
    Check(put, "building a change of " + std::string(attribute));
    IterationGuard iteration(context_, DSV_MODIFY_ENTRY);
    return ModifyObject(context_, object, iteration.handle, false, *changes);
}

std::uint32_t ClientSession::entryFlags(std::string_view object) {
    std::string distinguishedName;
    ObjectInfo info;
    Check(ReadObjectInfo(context_, object, distinguishedName, info),
          "reading " + std::string(object));
    return info.entryFlags;
}

} // namespace tarnbeck

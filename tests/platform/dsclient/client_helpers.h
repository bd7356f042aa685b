#pragma once

// Small wrappers that drive the client's request protocol the way the program does.

#include "platform/dsclient/client.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstring>
#include <string>
#include <vector>

namespace dsclient::testing {

inline bool EqualsIgnoringCase(const std::string &a, const std::string &b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(x) == std::tolower(y);
           });
}

struct AttributeRead {
    Status status = status::Ok;
    std::vector<AttrValue> values;
    int passes = 0;
};

// Reads every value of one attribute over as many passes as the buffer size needs, checking
// that each pass names the attribute with the count of the values it holds.
inline AttributeRead ReadAttribute(ContextHandle context, const std::string &object,
                                   const std::string &attribute,
                                   std::size_t bufferSize = kDefaultBufferSize) {
    AttributeRead read;
    BufferPtr request, result;
    EXPECT_EQ(AllocBuffer(kDefaultBufferSize, request), status::Ok);
    EXPECT_EQ(AllocBuffer(bufferSize, result), status::Ok);
    EXPECT_EQ(InitBuffer(context, DSV_READ, *request), status::Ok);
    EXPECT_EQ(PutAttributeName(context, *request, attribute), status::Ok);
    IterationHandle iteration = kNoIteration;
    do {
        read.status =
            Read(context, object, DS_ATTRIBUTE_VALUES, false, request.get(), iteration, *result);
        if (read.status != status::Ok)
            return read;
        ++read.passes;
        std::uint32_t attributes = 0;
        EXPECT_EQ(GetAttributeCount(context, *result, attributes), status::Ok);
        for (std::uint32_t a = 0; a < attributes; ++a) {
            std::string name;
            std::uint32_t count = 0, syntax = 0;
            EXPECT_EQ(GetAttributeName(context, *result, name, count, syntax), status::Ok);
            EXPECT_TRUE(EqualsIgnoringCase(name, attribute)) << name << " for " << attribute;
            for (std::uint32_t v = 0; v < count; ++v) {
                AttrValue value;
                EXPECT_EQ(GetAttributeValue(context, *result, syntax, value), status::Ok);
                read.values.push_back(value);
            }
        }
        std::string extra;
        std::uint32_t count = 0, syntax = 0;
        EXPECT_EQ(GetAttributeName(context, *result, extra, count, syntax), status::BufferEmpty);
    } while (iteration != kNoIteration);
    return read;
}

struct Change {
    std::uint32_t type;
    std::string attribute;
    std::vector<AttrValue> values;
};

inline Status Modify(ContextHandle context, const std::string &object,
                     const std::vector<Change> &changes) {
    BufferPtr buffer;
    EXPECT_EQ(AllocBuffer(kMaxBufferSize, buffer), status::Ok);
    EXPECT_EQ(InitBuffer(context, DSV_MODIFY_ENTRY, *buffer), status::Ok);
    for (const auto &change : changes) {
        EXPECT_EQ(PutChange(context, *buffer, change.type, change.attribute), status::Ok);
        for (const auto &value : change.values)
            EXPECT_EQ(PutAttributeValue(context, *buffer, value), status::Ok);
    }
    IterationHandle iteration = kNoIteration;
    return ModifyObject(context, object, iteration, false, *buffer);
}

inline Status Create(ContextHandle context, const std::string &object,
                     const std::string &className) {
    BufferPtr buffer;
    EXPECT_EQ(AllocBuffer(kDefaultBufferSize, buffer), status::Ok);
    EXPECT_EQ(InitBuffer(context, DSV_ADD_ENTRY, *buffer), status::Ok);
    EXPECT_EQ(PutAttributeName(context, *buffer, "Object Class"), status::Ok);
    EXPECT_EQ(PutAttributeValue(context, *buffer, AttrValue{SYN_CLASS_NAME, Text{className}}),
              status::Ok);
    IterationHandle iteration = kNoIteration;
    return AddObject(context, object, iteration, false, *buffer);
}

// One filter token.
struct Token {
    std::uint32_t token;
    std::string value = {};
    std::uint32_t syntax = 0;
};

// The value bytes of a number.
inline std::string Bytes(std::int32_t number) {
    std::string bytes(4, '\0');
    std::memcpy(bytes.data(), &number, 4); // little-endian, as the client expects
    return bytes;
}

// (name op value) with a string value.
inline std::vector<Token> Compare(const std::string &name, std::uint32_t op, const std::string &value,
                           std::uint32_t syntax = SYN_CI_STRING) {
    return {{FTOK_ANAME, name, SYN_CI_STRING}, {op}, {FTOK_AVAL, value, syntax}};
}

// The parts joined by `op` (FTOK_AND or FTOK_OR).
inline std::vector<Token> Join(std::vector<std::vector<Token>> parts, std::uint32_t op) {
    std::vector<Token> all;
    for (std::size_t i = 0; i < parts.size(); ++i) {
        if (i > 0)
            all.push_back({op});
        all.insert(all.end(), parts[i].begin(), parts[i].end());
    }
    return all;
}

struct SearchResult {
    Status status = status::Ok;
    std::vector<std::string> names;
};

// The names a search finds over as many passes as the buffer size needs: sorted, or as found;
// at most `limit` of them (0: all).
inline SearchResult SearchNames(ContextHandle context, const std::string &base, std::uint32_t scope,
                         std::vector<Token> tokens, std::size_t bufferSize = kDefaultBufferSize,
                         bool sorted = true, std::int32_t limit = 0) {
    SearchResult found;
    FilterPtr filter;
    EXPECT_EQ(AllocFilter(filter), status::Ok);
    tokens.push_back({FTOK_END});
    for (const auto &t : tokens)
        EXPECT_EQ(AddFilterToken(*filter, t.token, t.value, t.syntax), status::Ok);
    BufferPtr filterBuffer, result;
    EXPECT_EQ(AllocBuffer(kDefaultBufferSize, filterBuffer), status::Ok);
    EXPECT_EQ(AllocBuffer(bufferSize, result), status::Ok);
    EXPECT_EQ(InitBuffer(context, DSV_SEARCH_FILTER, *filterBuffer), status::Ok);
    EXPECT_EQ(PutFilter(context, *filterBuffer, filter), status::Ok);
    EXPECT_FALSE(filter);
    IterationHandle iteration = kNoIteration;
    do {
        std::int32_t searched = 0;
        found.status = Search(context, base, scope, false, *filterBuffer, DS_ATTRIBUTE_VALUES,
                              false, nullptr, iteration, limit, searched, *result);
        if (found.status != status::Ok)
            return found;
        std::uint32_t count = 0;
        EXPECT_EQ(GetObjectCount(context, *result, count), status::Ok);
        EXPECT_EQ(static_cast<std::uint32_t>(searched), count);
        for (std::uint32_t i = 0; i < count; ++i) {
            std::string name;
            std::uint32_t attributes = 0;
            ObjectInfo info;
            EXPECT_EQ(GetObjectName(context, *result, name, attributes, info), status::Ok);
            EXPECT_EQ(attributes, 0u);
            found.names.push_back(name);
        }
    } while (iteration != kNoIteration);
    if (sorted)
        std::sort(found.names.begin(), found.names.end());
    return found;
}

inline AttrValue CI(const std::string &text) {
    return AttrValue{SYN_CI_STRING, Text{text}};
}
inline AttrValue DN(const std::string &text) {
    return AttrValue{SYN_DIST_NAME, Text{text}};
}

} // namespace dsclient::testing

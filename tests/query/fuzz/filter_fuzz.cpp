// libFuzzer entry: any byte string as a filter, parsed and checked against a small schema.

#include "../filter_test_support.h"

#include "query/filter_translation.h"
#include "quiet_prompter.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    static tarnbeck::testing::QuietPrompter prompter;
    static const tarnbeck::AttributeNameMap names = tarnbeck::testing::TestNames();
    static const tarnbeck::SyntaxLookup schema = tarnbeck::testing::FakeSchema();
    tarnbeck::installPrompter(&prompter);

    const std::string_view text(reinterpret_cast<const char *>(data), size);
    dsclient::Filter filter;
    try {
        if (tarnbeck::TranslateFilter(text, names, schema, nullptr, filter) &&
            dsclient::AddFilterToken(filter, dsclient::FTOK_END, {}, 0) != 0)
            std::abort(); // an accepted filter the client cannot finish
    } catch (const tarnbeck::DirectoryError &) {
        // The client refusing deep nesting is a proper answer.
    }
    return 0;
}

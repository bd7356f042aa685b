#pragma once

// The editor's filter field as the filter parser needs it: on a syntax error the field gets
// the focus and its caret goes to the place the message names.

#include <cstddef>

namespace tarnbeck {

class FilterField {
  public:
    virtual ~FilterField() = default;
    virtual void setFocus() = 0;
    // 0-based, in characters; nothing selected.
    virtual void setCaret(std::size_t position) = 0;
};

} // namespace tarnbeck

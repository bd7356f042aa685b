#pragma once

// A position in the browser's tree as the name builders see it: the node's own text, its depth
// (0 for the top node) and the node above it. The browser's tree nodes implement it.

#include <string>

namespace tarnbeck {

class NameNode {
  public:
    virtual ~NameNode() = default;
    virtual std::string text() const = 0;
    virtual int level() const = 0;
    virtual const NameNode *parent() const = 0;
};

} // namespace tarnbeck

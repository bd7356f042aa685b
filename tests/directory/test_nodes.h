#pragma once

// Browser nodes for the name builders, built as a chain from the top.

#include "directory/name_node.h"

#include <deque>
#include <string>

namespace tarnbeck::testing {

class TestNode : public NameNode {
  public:
    TestNode(std::string text, int level, const TestNode *parent)
        : text_(std::move(text)), level_(level), parent_(parent) {}
    std::string text() const override { return text_; }
    int level() const override { return level_; }
    const NameNode *parent() const override { return parent_; }

  private:
    std::string text_;
    int level_;
    const TestNode *parent_;
};

// Owns a chain of nodes; each added node hangs under the last one.
class NodeChain {
  public:
    const TestNode *add(std::string text) {
        const TestNode *parent = nodes_.empty() ? nullptr : &nodes_.back();
        return &nodes_.emplace_back(std::move(text), static_cast<int>(nodes_.size()), parent);
    }

  private:
    std::deque<TestNode> nodes_;
};

} // namespace tarnbeck::testing

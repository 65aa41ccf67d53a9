// Small stand-ins for what the texts library gets from above: the node
// table, the address lookup and the lines of the input file.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "texts/ascii.h"
#include "texts/header_value_reader.h"
#include "texts/header_values.h"
#include "texts/node_names.h"

namespace orvane::texts::testing {

struct TestNode {
    NodeKey key;
    std::string name;
    std::string alias;
};

class TestNodes : public NodeNames {
  public:
    // Two nodes: TELVA ('T', alias "tv") and KOMNET ('K', alias "kom").
    TestNodes() : nodes_{{'T', "TELVA", "tv"}, {'K', "KOMNET", "kom"}} {}

    std::string_view node_name(NodeKey key) const override {
        for (const TestNode& node : nodes_) {
            if (node.key == key) return node.name;
        }
        return {};
    }
    NodeKey node_key_by_name(std::string_view name) const override {
        for (const TestNode& node : nodes_) {
            if (equals_ignoring_case(node.name, name) || equals_ignoring_case(node.alias, name))
                return node.key;
        }
        return 0;
    }

  private:
    std::vector<TestNode> nodes_;
};

// Keeps names as written; marks them with kind 1 and name type 2 so that
// tests can see the lookup was used.
class TestNameLookup : public NameLookup {
  public:
    Result look_up(std::string_view written) const override {
        return {{1, std::string(written)}, 2};
    }
};

class VectorLineSource : public LineSource {
  public:
    explicit VectorLineSource(std::vector<std::string> lines) : lines_(std::move(lines)) {}

    std::optional<std::string_view> peek_line() override {
        if (next_ >= lines_.size()) return std::nullopt;
        return std::string_view(lines_[next_]);
    }
    void take_line() override { ++next_; }
    size_t lines_taken() const { return next_; }

  private:
    std::vector<std::string> lines_;
    size_t next_ = 0;
};

}  // namespace orvane::texts::testing

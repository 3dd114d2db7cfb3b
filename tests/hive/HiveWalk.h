#pragma once
// A complete walk of a hive for the tests and the fuzzer: every key, every
// value and every value's data, rendered as lines that the fixture
// generator (make_test_hives.py) writes the same way.
#include <string>
#include <vector>

#include "hive/Hive.h"

namespace hive_test {

struct HiveWalk {
    // "K <path> <last write>" and "V <path>:<name> <type> <data as hex>", in
    // file order; a value whose node or data is damaged has no line.
    std::vector<std::string> lines;
    std::vector<hive::Damage> damage;
};

// Walks depth first from the root. A key whose cell was already walked (a
// list that names an ancestor, or a key listed twice) is damage and is not
// walked again, and keys deeper than Windows allows are damage too, so the
// walk ends on any bytes after at most one visit per cell.
HiveWalk WalkHive(const hive::Hive& hive);

// "" when the walk's lines are the expected ones; otherwise the first line
// where they part, shortened, so that a failure stays readable.
std::string FirstDifference(const std::vector<std::string>& lines, const std::vector<std::string>& expected);

// A name's UTF-16 units: printable ASCII but "\" as itself, others \uXXXX.
std::string RenderName(const hive::StoredName& name);

}  // namespace hive_test

#pragma once
// What a report must hold for a subtree that a test built: for each key,
// whether its name can match and how each of its string values relates to
// the search text. The options then decide which lines appear.
#include <string>
#include <vector>

#include "support/SearchRun.h"

namespace registrytest {

// How a candidate relates to the search text.
enum class Hit {
    Exact,              // equals the text
    ExactOtherCase,     // equals the text but for the case of its letters
    Contains,           // holds the text within more
    ContainsOtherCase,  // holds the text, letters in another case, within more
    Never,              // holds the text's bytes but must not match
};

inline bool Matches(Hit hit, const testsupport::RunOptions& o) {
    switch (hit) {
    case Hit::Exact: return true;
    case Hit::ExactOtherCase: return !o.matchCase;
    case Hit::Contains: return !o.whole;
    case Hit::ContainsOtherCase: return !o.whole && !o.matchCase;
    case Hit::Never: return false;
    }
    return false;
}

struct ValueLine {
    std::string line;  // the report's line without its CR LF
    Hit hit;
};

struct KeyBlock {
    std::string path;  // relative to the subtree
    Hit nameHit;
    std::vector<ValueLine> values;
};

// The report's body: for each subtree prefix in turn (root order), the
// block of every key with a hit, in the walk's pre-order. hits receives the
// number of hits, which the found counter must equal.
inline std::string ExpectedBody(const std::vector<KeyBlock>& blocks, const std::vector<std::string>& prefixes,
                                const testsupport::RunOptions& o, int* hits) {
    std::string body;
    *hits = 0;
    for (const std::string& prefix : prefixes) {
        for (const KeyBlock& block : blocks) {
            bool nameHit = o.keys && Matches(block.nameHit, o);
            std::string lines;
            *hits += nameHit;
            for (const ValueLine& value : block.values) {
                if (!o.values || !Matches(value.hit, o)) continue;
                lines += value.line + "\r\n";
                ++*hits;
            }
            if (nameHit || !lines.empty()) body += "[" + prefix + "\\" + block.path + "]\r\n" + lines + "\r\n";
        }
    }
    return body;
}

}  // namespace registrytest

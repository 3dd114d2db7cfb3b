#include "hive/HiveWalk.h"

#include <cstdio>

namespace hive_test {

namespace {

// Windows nests keys at most 512 deep; deeper is damage, and the bound keeps
// the recursion and the paths short.
constexpr int kMaxDepth = 512;

std::string Hex(hive::ByteView data) {
    static const char kDigits[] = "0123456789abcdef";
    std::string out;
    out.reserve(data.size() * 2);
    for (size_t i = 0; i < data.size(); ++i) {
        out.push_back(kDigits[data.data()[i] >> 4]);
        out.push_back(kDigits[data.data()[i] & 15]);
    }
    return out;
}

class Walker {
public:
    explicit Walker(const hive::Hive& hive) : m_hive(hive), m_seen(hive.BinsSize() / 8 + 1) {}

    void Key(uint32_t cell, const std::string& parentPath, int depth, HiveWalk* out) {
        hive::KeyNode key;
        if (depth > kMaxDepth) {
            out->damage.push_back({hive::Hive::FileOffset(cell), "key node nested too deep"});
            return;
        }
        if (!m_hive.ReadKey(cell, &key, &out->damage)) return;
        if (m_seen[cell / 8]) {
            out->damage.push_back({hive::Hive::FileOffset(cell), "key node listed twice"});
            return;
        }
        m_seen[cell / 8] = true;
        const std::string path = parentPath.empty() ? RenderName(key.name) : parentPath + "\\" + RenderName(key.name);
        out->lines.push_back("K " + path + " " + std::to_string(key.lastWrite));
        Values(key, path, out);
        std::vector<uint32_t> subKeys;
        m_hive.ReadSubKeyCells(key, &subKeys, &out->damage);
        for (uint32_t subKey : subKeys) Key(subKey, path, depth + 1, out);
    }

private:
    void Values(const hive::KeyNode& key, const std::string& path, HiveWalk* out) {
        std::vector<uint32_t> cells;
        m_hive.ReadValueCells(key, &cells, &out->damage);
        for (uint32_t cell : cells) {
            hive::ValueNode value;
            hive::ByteView data;
            if (!m_hive.ReadValue(cell, &value, &out->damage) ||
                !m_hive.ReadValueData(value, &m_scratch, &data, &out->damage))
                continue;
            out->lines.push_back("V " + path + ":" + RenderName(value.name) + " " + std::to_string(value.type) +
                                 " " + Hex(data));
        }
    }

    const hive::Hive& m_hive;
    std::vector<bool> m_seen;
    std::vector<uint8_t> m_scratch;
};

}  // namespace

HiveWalk WalkHive(const hive::Hive& hive) {
    HiveWalk out;
    Walker(hive).Key(hive.RootCell(), std::string(), 0, &out);
    return out;
}

std::string FirstDifference(const std::vector<std::string>& lines, const std::vector<std::string>& expected) {
    size_t i = 0;
    while (i < lines.size() && i < expected.size() && lines[i] == expected[i]) ++i;
    if (i == lines.size() && i == expected.size()) return std::string();
    const auto shown = [](const std::vector<std::string>& from, size_t at) {
        return at < from.size() ? from[at].substr(0, 120) : std::string("(the end)");
    };
    return "line " + std::to_string(i + 1) + ": read \"" + shown(lines, i) + "\", expected \"" +
           shown(expected, i) + "\"";
}

std::string RenderName(const hive::StoredName& name) {
    std::u16string units;
    name.AppendUtf16(&units);
    std::string out;
    for (char16_t unit : units) {
        if (unit >= 0x20 && unit < 0x7F && unit != u'\\') {
            out.push_back(static_cast<char>(unit));
        } else {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\u%04x", static_cast<unsigned>(unit));
            out += escaped;
        }
    }
    return out;
}

}  // namespace hive_test

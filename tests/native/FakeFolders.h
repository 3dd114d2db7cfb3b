#pragma once
// An in-memory folder tree for the offline planner's native tests, as a
// Linux mount shows it: names are case-sensitive, and symbolic links may
// point anywhere, into a loop or out of the root. The root is the fake's
// folder "root"; anything beside it lies outside.
#include <map>
#include <string>
#include <vector>

#include "hiveregistry/OfflineFolders.h"

class FakeFolders : public OfflineFolders {
public:
    // A file at path (from the fake's top, e.g. L"root\\Users\\x"), and
    // every folder above it.
    void File(const std::wstring& path);
    void Folder(const std::wstring& path);
    // A symbolic link at path to target (from the fake's top).
    void Link(const std::wstring& path, const std::wstring& target);

    std::vector<Entry> List(const std::wstring& folder) override;
    bool RealPath(const std::wstring& path, std::wstring* real) override;
    // Every folder that List read, resolved, from the fake's top.
    const std::vector<std::wstring>& Listed() const { return m_listed; }

private:
    enum class Kind { File, Folder, Link };
    struct Node {
        Kind kind;
        std::wstring target;
    };
    void Add(const std::wstring& path, Node node);
    // path with every link followed, when it exists and its links do not loop.
    bool Resolve(const std::wstring& path, std::wstring* resolved) const;

    std::map<std::wstring, Node> m_nodes;
    std::vector<std::wstring> m_listed;
};

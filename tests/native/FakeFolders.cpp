#include "FakeFolders.h"

namespace {

const std::wstring kRoot = L"root";
// As many links as Linux follows in one path before it gives ELOOP.
constexpr int kMostLinks = 40;

std::vector<std::wstring> Split(const std::wstring& path) {
    std::vector<std::wstring> names;
    size_t start = 0;
    for (size_t end; (end = path.find(L'\\', start)) != std::wstring::npos; start = end + 1)
        names.push_back(path.substr(start, end - start));
    names.push_back(path.substr(start));
    return names;
}

std::wstring Join(const std::wstring& folder, const std::wstring& name) {
    return folder.empty() ? name : folder + L"\\" + name;
}

// A path relative to the root as a path from the fake's top.
std::wstring InRoot(const std::wstring& path) { return path.empty() ? kRoot : kRoot + L"\\" + path; }

}  // namespace

void FakeFolders::File(const std::wstring& path) { Add(path, {Kind::File, L""}); }

void FakeFolders::Folder(const std::wstring& path) { Add(path, {Kind::Folder, L""}); }

void FakeFolders::Link(const std::wstring& path, const std::wstring& target) { Add(path, {Kind::Link, target}); }

void FakeFolders::Add(const std::wstring& path, Node node) {
    std::wstring folder;
    const std::vector<std::wstring> names = Split(path);
    for (size_t i = 0; i + 1 < names.size(); ++i) {
        folder = Join(folder, names[i]);
        m_nodes.emplace(folder, Node{Kind::Folder, L""});
    }
    m_nodes[path] = node;
}

bool FakeFolders::Resolve(const std::wstring& path, std::wstring* resolved) const {
    std::vector<std::wstring> names = Split(path);
    std::wstring current;
    int links = 0;
    size_t i = 0;
    while (i < names.size()) {
        const auto node = m_nodes.find(Join(current, names[i]));
        if (node == m_nodes.end()) return false;
        if (node->second.kind != Kind::Link) {
            current = node->first;
            ++i;
            continue;
        }
        if (++links > kMostLinks) return false;
        std::vector<std::wstring> rest = Split(node->second.target);
        rest.insert(rest.end(), names.begin() + i + 1, names.end());
        names = rest;
        current.clear();
        i = 0;
    }
    *resolved = current;
    return true;
}

std::vector<OfflineFolders::Entry> FakeFolders::List(const std::wstring& folder) {
    std::wstring resolved;
    if (!Resolve(InRoot(folder), &resolved) || m_nodes.at(resolved).kind != Kind::Folder) return {};
    m_listed.push_back(resolved);
    std::vector<Entry> entries;
    const std::wstring prefix = resolved + L"\\";
    for (const auto& [path, node] : m_nodes) {
        if (path.compare(0, prefix.size(), prefix) != 0 || path.find(L'\\', prefix.size()) != std::wstring::npos)
            continue;
        std::wstring target;
        const bool folder = Resolve(path, &target) && m_nodes.at(target).kind == Kind::Folder;
        entries.push_back({path.substr(prefix.size()), folder});
    }
    return entries;
}

bool FakeFolders::RealPath(const std::wstring& path, std::wstring* real) {
    std::wstring resolved;
    if (!Resolve(InRoot(path), &resolved)) return false;
    if (resolved == kRoot) {
        real->clear();
        return true;
    }
    if (resolved.compare(0, kRoot.size() + 1, kRoot + L"\\") != 0) return false;
    *real = resolved.substr(kRoot.size() + 1);
    return true;
}

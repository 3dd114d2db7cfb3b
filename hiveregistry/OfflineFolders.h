#pragma once
// The folders of an offline Windows as the planner (OfflineWindows) reads
// them: paths are relative to the offline system's root, so that the
// planner never builds a path of the machine it runs on, and it runs on
// Linux against a fake in its native tests.
#include <string>
#include <vector>

class OfflineFolders {
public:
    struct Entry {
        std::wstring name;
        bool folder = false;
    };
    virtual ~OfflineFolders() = default;
    // The entries of folder, a path relative to the root with '\\' between
    // names ("" is the root itself), without "." and ".."; empty when it
    // cannot be listed.
    virtual std::vector<Entry> List(const std::wstring& folder) = 0;
    // Where path (relative to the root) really lies once every link is
    // followed, relative to the root's own real place; false when it does
    // not exist, its links loop, or it lies outside the root.
    virtual bool RealPath(const std::wstring& path, std::wstring* real) = 0;
};

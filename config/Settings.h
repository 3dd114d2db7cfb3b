#pragma once
// The settings file: its path (given, or beside the executable with the
// extension "ini"), its creation when missing, and the five option flags in
// its "Options" section. The flags themselves belong to whoever owns the
// settings; reading and writing reach them through OptionFlags.
#include <cstddef>
#include <cstdint>
#include <string>

// The five option flags, in the order the settings file lists them.
struct OptionFlags {
    int32_t* lookAtKeys;
    int32_t* lookAtValues;
    int32_t* lookAtData;
    int32_t* wholeString;
    int32_t* matchCase;
};

class CSettings {
public:
    // path: the settings file's full path, or null for the executable's own
    // path with its extension replaced by "ini".
    explicit CSettings(const char* path = nullptr);

    // Works out the path once and creates a missing file holding only the
    // exclusion list's empty section. 0 when there is no path to use (the
    // failure was reported).
    int GetFileName();
    // The path, empty until GetFileName succeeded.
    const char* Path() const { return m_fileName; }
    // Sets each flag that the file names; a flag it lacks takes its default.
    // 0 when there is no settings file to read.
    int ReadOptions(const OptionFlags& flags);
    // Writes all five flags as "On" or "Off".
    void WriteOptions(const OptionFlags& flags);
    // 1 when text (size bytes, cut to fit) holds "ON" or "YES" in any case.
    // text is upper-cased in place.
    static int IsOnText(char* text, size_t size);

private:
    char m_fileName[260] = {};
    std::string m_override;  // empty: beside the executable
};

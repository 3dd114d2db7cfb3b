#pragma once
// kestrin-find /B: the search text inside the raw bytes of a value that is
// neither a string nor a number, as UTF-16LE at either byte alignment and as
// the bytes of the ANSI code page. Pure: it sees only the bytes it is given.
#include <cstddef>
#include <string>

class BinaryTextFinder {
public:
    // The bytes of one UTF-16LE code unit.
    static constexpr size_t kUnitBytes = 2;

    // wide: the text in UTF-16; ansi: the text in the ANSI code page, empty
    // when the code page cannot hold it (an empty form is never searched).
    // Without matchCase UTF-16 folds as the wide matcher folds (ordinal upper
    // case) and the ANSI bytes as the narrow matcher folds single-byte
    // letters; a double-byte character compares exactly. wholeData: the data
    // must be the text and nothing else but one terminating NUL character.
    void Prepare(const std::wstring& wide, const std::string& ansi, bool wholeData, bool matchCase);
    // True when data holds the text in any form; *offset receives the byte
    // offset of the earliest match.
    bool Find(const unsigned char* data, size_t size, size_t* offset) const;
    // The UTF-16LE code unit in the two bytes at at, which need not be
    // aligned.
    static wchar_t UnitAt(const unsigned char* at);

private:
    bool FindWhole(const unsigned char* data, size_t size) const;
    // The earliest match of the UTF-16 form at or after start, stepping by
    // whole characters, before limit; limit when there is none.
    size_t FindWide(const unsigned char* data, size_t size, size_t start, size_t limit) const;
    size_t FindAnsi(const unsigned char* data, size_t size, size_t limit) const;
    bool WideAt(const unsigned char* at) const;
    bool AnsiAt(const unsigned char* at) const;

    std::wstring m_wide;  // folded unless m_matchCase
    std::string m_ansi;   // folded unless m_matchCase, but for m_exact bytes
    std::string m_exact;  // per byte of m_ansi: 1 inside a double-byte character
    unsigned char m_fold[256] = {};  // each byte value folded alone
    bool m_wholeData = false;
    bool m_matchCase = false;
};

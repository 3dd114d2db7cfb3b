// Kestrin.exe's icon, hand cursor, version block and manifest, read from the
// built executable as the platform loads them: the pictures made from the
// text pixel art must come out the right way up, at the right sizes.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdlib>
#include <iterator>
#include <string>
#include <vector>

#include "KestrinVersion.h"
#include "ui/UiDriver.h"

namespace ui {
namespace {

constexpr COLORREF kBackground = RGB(255, 0, 255);  // shows through transparent pixels

class ResourceTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_module = ::LoadLibraryExA((ProgramFolder() + "Kestrin.exe").c_str(), nullptr,
                                    LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
        ASSERT_NE(m_module, nullptr);
    }
    void TearDown() override {
        if (m_module) ::FreeLibrary(m_module);
    }
    std::string ResourceBytes(int id, LPCSTR type) const {
        HRSRC found = ::FindResourceA(m_module, MAKEINTRESOURCEA(id), type);
        if (!found) return "";
        HGLOBAL loaded = ::LoadResource(m_module, found);
        return std::string(static_cast<const char*>(::LockResource(loaded)), ::SizeofResource(m_module, found));
    }

    HMODULE m_module = nullptr;
};

// An icon or cursor drawn at its own size over kBackground, row by row.
class Drawn {
public:
    Drawn(HICON image, int size) : m_size(size) {
        HDC screen = ::GetDC(nullptr);
        HDC memory = ::CreateCompatibleDC(screen);
        HBITMAP bitmap = ::CreateCompatibleBitmap(screen, size, size);
        HGDIOBJ old = ::SelectObject(memory, bitmap);
        HBRUSH background = ::CreateSolidBrush(kBackground);
        RECT all = {0, 0, size, size};
        ::FillRect(memory, &all, background);
        ::DrawIconEx(memory, 0, 0, image, size, size, 0, nullptr, DI_NORMAL);
        for (int y = 0; y < size; ++y)
            for (int x = 0; x < size; ++x) m_pixels.push_back(::GetPixel(memory, x, y));
        ::DeleteObject(background);
        ::SelectObject(memory, old);
        ::DeleteObject(bitmap);
        ::DeleteDC(memory);
        ::ReleaseDC(nullptr, screen);
    }
    COLORREF At(int x, int y) const { return m_pixels[y * m_size + x]; }
    // How many pixels of colour lie in rows [top, bottom): exactly, or for
    // a colour of the picture within the blend that an edge gets at sizes
    // the art is not drawn for.
    int Count(COLORREF colour, int top, int bottom) const {
        int count = 0;
        for (int y = top; y < bottom; ++y)
            for (int x = 0; x < m_size; ++x) count += Near(At(x, y), colour);
        return count;
    }

private:
    static bool Near(COLORREF a, COLORREF b) {
        if (a == kBackground || b == kBackground) return a == b;
        const int kBlend = 48;
        return std::abs(GetRValue(a) - GetRValue(b)) <= kBlend && std::abs(GetGValue(a) - GetGValue(b)) <= kBlend &&
               std::abs(GetBValue(a) - GetBValue(b)) <= kBlend;
    }

    int m_size;
    std::vector<COLORREF> m_pixels;
};

// The sizes Windows asks for at display scales from 100% to 200%.
constexpr int kIconSizes[] = {16, 20, 24, 32, 40, 48, 64, 256};

TEST_F(ResourceTest, IconShowsBlackBinocularsAboveCyanAndWhiteCubesAtEverySize) {
    std::string group = ResourceBytes(128, MAKEINTRESOURCEA(14));  // RT_GROUP_ICON
    const size_t count = std::size(kIconSizes);
    ASSERT_EQ(group.size(), 6 + 14 * count);
    EXPECT_EQ(group[4], static_cast<char>(count)) << "one image per size";
    for (size_t index = 0; index < count; ++index) {
        // A directory entry's width byte holds 0 for 256.
        EXPECT_EQ(static_cast<unsigned char>(group[6 + 14 * index]), kIconSizes[index] % 256) << index;
    }
    for (int size : kIconSizes) {
        auto icon = static_cast<HICON>(::LoadImageA(m_module, MAKEINTRESOURCEA(128), IMAGE_ICON, size, size, 0));
        ASSERT_NE(icon, nullptr) << size;
        Drawn picture(icon, size);
        ::DestroyIcon(icon);
        const COLORREF black = RGB(0, 0, 0);
        const COLORREF cyan = RGB(0, 255, 255);
        const COLORREF white = RGB(255, 255, 255);
        int upper = size * 2 / 5;
        int lower = size / 2;
        EXPECT_GT(picture.Count(black, 0, upper), size * size / 8) << size << ": binoculars on top";
        EXPECT_EQ(picture.Count(cyan, 0, upper), 0) << size;
        // Sizes between the arts' own blend the cubes' edges into each other.
        EXPECT_GT(picture.Count(cyan, lower, size), size * size / 32) << size << ": cyan cubes below";
        EXPECT_GT(picture.Count(white, lower, size), size * size / 32) << size << ": white cubes below";
        EXPECT_GT(picture.Count(kBackground, 0, size), 0) << size << ": transparent around the picture";
    }
}

TEST_F(ResourceTest, HandCursorPointsWithItsFingertipAtTheHotSpot) {
    auto cursor = static_cast<HCURSOR>(::LoadImageA(m_module, MAKEINTRESOURCEA(201), IMAGE_CURSOR, 32, 32, 0));
    ASSERT_NE(cursor, nullptr);
    ICONINFO info = {};
    ASSERT_TRUE(::GetIconInfo(cursor, &info));
    EXPECT_FALSE(info.fIcon);
    EXPECT_EQ(info.xHotspot, 12u);
    EXPECT_EQ(info.yHotspot, 1u);
    BITMAP mask = {};
    ::GetObjectA(info.hbmMask, sizeof mask, &mask);
    EXPECT_EQ(mask.bmWidth, 32);
    if (info.hbmMask) ::DeleteObject(info.hbmMask);
    if (info.hbmColor) ::DeleteObject(info.hbmColor);

    Drawn picture(cursor, 32);
    ::DestroyCursor(cursor);
    EXPECT_EQ(picture.At(12, 1), RGB(0, 0, 0)) << "the hot spot is the fingertip's outline";
    EXPECT_EQ(picture.At(12, 0), kBackground) << "nothing above the fingertip";
    EXPECT_EQ(picture.At(12, 4), RGB(255, 255, 255)) << "the raised finger below it";
    EXPECT_EQ(picture.Count(kBackground, 28, 32), 32 * 4) << "the hand points up: its lowest rows are empty";

    // The same hand for 150% and 200%, its hot spot on the same fingertip.
    std::string group = ResourceBytes(201, MAKEINTRESOURCEA(12));  // RT_GROUP_CURSOR
    const int sizes[] = {32, 48, 64};
    ASSERT_EQ(group.size(), 6 + 14 * std::size(sizes));
    for (size_t index = 0; index < std::size(sizes); ++index) {
        const int size = sizes[index];
        EXPECT_EQ(static_cast<unsigned char>(group[6 + 14 * index]), size) << index;
        auto scaled = static_cast<HCURSOR>(::LoadImageA(m_module, MAKEINTRESOURCEA(201), IMAGE_CURSOR, size, size, 0));
        ASSERT_NE(scaled, nullptr) << size;
        ICONINFO hot = {};
        ASSERT_TRUE(::GetIconInfo(scaled, &hot)) << size;
        EXPECT_EQ(hot.xHotspot, 12u * size / 32) << size;
        EXPECT_EQ(hot.yHotspot, 1u * size / 32) << size;
        if (hot.hbmMask) ::DeleteObject(hot.hbmMask);
        if (hot.hbmColor) ::DeleteObject(hot.hbmColor);
        ::DestroyCursor(scaled);
    }
}

TEST_F(ResourceTest, VersionBlockAndManifestDescribeTheProgram) {
    std::string path = ProgramFolder() + "Kestrin.exe";
    std::vector<char> block(::GetFileVersionInfoSizeA(path.c_str(), nullptr));
    ASSERT_FALSE(block.empty());
    ASSERT_TRUE(::GetFileVersionInfoA(path.c_str(), 0, static_cast<DWORD>(block.size()), block.data()));
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT length = 0;
    ASSERT_TRUE(::VerQueryValueA(block.data(), "\\", reinterpret_cast<void**>(&fixed), &length));
    // The four parts of project(VERSION), as CMake configured them.
    const WORD version[] = {KESTRIN_VERSION_BINARY};
    EXPECT_EQ(fixed->dwFileVersionMS, static_cast<DWORD>(MAKELONG(version[1], version[0])));
    EXPECT_EQ(fixed->dwFileVersionLS, static_cast<DWORD>(MAKELONG(version[3], version[2])));
    EXPECT_EQ(fixed->dwProductVersionMS, fixed->dwFileVersionMS);
    EXPECT_EQ(fixed->dwProductVersionLS, fixed->dwFileVersionLS);
    auto text = [&](const char* name) {
        char* value = nullptr;
        UINT size = 0;
        std::string query = std::string("\\StringFileInfo\\040904b0\\") + name;
        return ::VerQueryValueA(block.data(), query.c_str(), reinterpret_cast<void**>(&value), &size) && value
                   ? std::string(value)
                   : std::string("(missing)");
    };
    EXPECT_EQ(text("FileDescription"), "Kestrin Module");
    EXPECT_EQ(text("Comments"), "Search in system registry & generate reg-file as result");
    EXPECT_EQ(text("FileVersion"), KESTRIN_VERSION_TEXT);
    EXPECT_EQ(text("ProductVersion"), KESTRIN_VERSION_TEXT);
    EXPECT_EQ(text("InternalName"), "Kestrin.exe");
    EXPECT_EQ(text("OriginalFilename"), "Kestrin.exe");

    // The manifest's entries are checked from Linux (manifest_test.py); here,
    // that Windows' loader finds it.
    std::string manifest = ResourceBytes(1, MAKEINTRESOURCEA(24));  // RT_MANIFEST
    EXPECT_NE(manifest.find("requestedExecutionLevel level=\"asInvoker\""), std::string::npos) << manifest;
}

}  // namespace
}  // namespace ui

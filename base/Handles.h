#pragma once
// Owners for the Win32 handle kinds that Kestrin holds.
#include <windows.h>
#include <cstdio>
#include "base/UniqueHandle.h"

struct KernelHandleTraits {  // threads, events: null means none
    using Handle = HANDLE;
    static Handle Invalid() { return nullptr; }
    static void Close(Handle h) { ::CloseHandle(h); }
};
using UniqueKernelHandle = UniqueHandle<KernelHandleTraits>;

struct FileStreamTraits {
    using Handle = FILE*;
    static Handle Invalid() { return nullptr; }
    static void Close(Handle f) { std::fclose(f); }
};
using UniqueFileStream = UniqueHandle<FileStreamTraits>;

struct GdiObjectTraits {  // fonts, brushes
    using Handle = HGDIOBJ;
    static Handle Invalid() { return nullptr; }
    static void Close(Handle h) { ::DeleteObject(h); }
};
using UniqueGdiObject = UniqueHandle<GdiObjectTraits>;

// Icons and cursors that LoadImage made for us alone (not LR_SHARED); one
// call destroys either kind.
struct IconTraits {
    using Handle = HICON;
    static Handle Invalid() { return nullptr; }
    static void Close(Handle h) { ::DestroyIcon(h); }
};
using UniqueIcon = UniqueHandle<IconTraits>;

struct LocalMemoryTraits {  // blocks that the platform allocated with LocalAlloc
    using Handle = HLOCAL;
    static Handle Invalid() { return nullptr; }
    static void Close(Handle h) { ::LocalFree(h); }
};
using UniqueLocalMemory = UniqueHandle<LocalMemoryTraits>;

struct FileHandleTraits {  // CreateFile's files: INVALID_HANDLE_VALUE means none
    using Handle = HANDLE;
    static Handle Invalid() { return INVALID_HANDLE_VALUE; }
    static void Close(Handle h) { ::CloseHandle(h); }
};
using UniqueFileHandle = UniqueHandle<FileHandleTraits>;

struct FindHandleTraits {  // FindFirstFile's searches: INVALID_HANDLE_VALUE means none
    using Handle = HANDLE;
    static Handle Invalid() { return INVALID_HANDLE_VALUE; }
    static void Close(Handle h) { ::FindClose(h); }
};
using UniqueFindHandle = UniqueHandle<FindHandleTraits>;

struct MappedViewTraits {  // views of a file mapping
    using Handle = const void*;
    static Handle Invalid() { return nullptr; }
    static void Close(Handle view) { ::UnmapViewOfFile(view); }
};
using UniqueMappedView = UniqueHandle<MappedViewTraits>;

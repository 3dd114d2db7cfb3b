#!/usr/bin/env python3
"""Reads the manifest out of the built executables' resources, as Windows'
loader finds it (resource type 24, id 1), and checks what it asks of
Windows: the caller's rights, the supported systems, and for the dialog
program the common controls 6 look and per-monitor DPI awareness. Neither
program may change the active code page: the narrow search runs in the
system's.

    manifest_test.py Kestrin.exe kestrin-find.exe
"""
import struct
import sys
import xml.etree.ElementTree as ElementTree

RT_MANIFEST = 24
ASM_V1 = "{urn:schemas-microsoft-com:asm.v1}"
ASM_V3 = "{urn:schemas-microsoft-com:asm.v3}"
COMPATIBILITY = "{urn:schemas-microsoft-com:compatibility.v1}"
SETTINGS_2005 = "{http://schemas.microsoft.com/SMI/2005/WindowsSettings}"
SETTINGS_2016 = "{http://schemas.microsoft.com/SMI/2016/WindowsSettings}"
WINDOWS_7_TO_11 = {
    "{35138b9a-5d96-4fbd-8e2d-a2440225f93a}",  # Windows 7
    "{4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38}",  # Windows 8
    "{1f676c76-80e1-4239-95bb-83d0f6d0da78}",  # Windows 8.1
    "{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}",  # Windows 10 and 11
}
COMMON_CONTROLS_6 = {
    "type": "win32", "name": "Microsoft.Windows.Common-Controls", "version": "6.0.0.0",
    "publicKeyToken": "6595b64144ccf1df", "language": "*",
}

# What each program's manifest holds: (program, common controls 6, dpiAware, dpiAwareness).
EXPECTED = [
    ("Kestrin.exe", True, "true/pm", "PerMonitorV2"),
    ("kestrin-find.exe", False, None, None),  # no window, no message box
]


def resource_manifest(image):
    """The bytes of resource RT_MANIFEST/1 in a PE32+ image."""
    pe = struct.unpack_from("<I", image, 0x3C)[0]
    if image[pe:pe + 4] != b"PE\0\0":
        raise ValueError("no PE signature")
    sections, optional_size = struct.unpack_from("<H", image, pe + 6)[0], struct.unpack_from("<H", image, pe + 20)[0]
    optional = pe + 24
    if struct.unpack_from("<H", image, optional)[0] != 0x20B:
        raise ValueError("not a 64-bit image")
    resource_rva = struct.unpack_from("<I", image, optional + 112 + 2 * 8)[0]
    table = [struct.unpack_from("<IIII", image, optional + optional_size + 40 * i + 8) for i in range(sections)]

    def offset(rva):
        for size, address, raw_size, raw in table:
            if address <= rva < address + max(size, raw_size):
                return raw + rva - address
        raise ValueError(f"RVA {rva:#x} lies in no section")

    root = offset(resource_rva)

    def child(directory, wanted):
        named, numbered = struct.unpack_from("<HH", image, root + directory + 12)
        for index in range(named + numbered):
            name, target = struct.unpack_from("<II", image, root + directory + 16 + 8 * index)
            if wanted is None or name == wanted:
                return target & 0x7FFFFFFF
        raise ValueError(f"no resource entry {wanted}")

    language_directory = child(child(0, RT_MANIFEST), 1)
    data_rva, size = struct.unpack_from("<II", image, root + child(language_directory, None))
    return image[offset(data_rva):offset(data_rva) + size]


def faults(manifest, common_controls, dpi_aware, dpi_awareness):
    """What is wrong with the parsed manifest, one sentence each."""
    found = []
    levels = [e.get("level") for e in manifest.iter(ASM_V3 + "requestedExecutionLevel")]
    if levels != ["asInvoker"]:
        found.append(f"requestedExecutionLevel {levels}, not asInvoker")
    systems = {e.get("Id") for e in manifest.iter(COMPATIBILITY + "supportedOS")}
    if systems != WINDOWS_7_TO_11:
        found.append(f"supportedOS {sorted(systems)}")
    dependencies = [e.attrib for e in manifest.iter(ASM_V1 + "assemblyIdentity")
                    if e.get("name") == COMMON_CONTROLS_6["name"]]
    wanted = [COMMON_CONTROLS_6] if common_controls else []
    if [{k: v for k, v in d.items() if k != "processorArchitecture"} for d in dependencies] != wanted:
        found.append(f"common controls dependency {dependencies}")
    if any(d.get("processorArchitecture") not in ("amd64", "*") for d in dependencies):
        found.append("common controls for another architecture")
    for tag, value in ((SETTINGS_2005 + "dpiAware", dpi_aware), (SETTINGS_2016 + "dpiAwareness", dpi_awareness)):
        values = [e.text for e in manifest.iter(tag)]
        if values != ([value] if value else []):
            found.append(f"{tag} {values}, not {value}")
    if any(e.tag.endswith("}activeCodePage") or e.tag == "activeCodePage" for e in manifest.iter()):
        found.append("an activeCodePage")
    return found


def main(paths):
    if len(paths) != len(EXPECTED):
        print(f"usage: manifest_test.py {' '.join(p for p, *_ in EXPECTED)}")
        return 64
    failed = 0
    for path, (program, common_controls, dpi_aware, dpi_awareness) in zip(paths, EXPECTED):
        with open(path, "rb") as exe:
            manifest = ElementTree.fromstring(resource_manifest(exe.read()))
        for fault in faults(manifest, common_controls, dpi_aware, dpi_awareness):
            print(f"{program}: {fault}")
            failed = 1
    print("manifests: " + ("FAILED" if failed else "ok"))
    return failed


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))

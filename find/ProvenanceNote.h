#pragma once
// What a report of hive files (/H, /O) says of where its keys came from, so
// that it can be tied to the evidence: each hive file with its size, its
// SHA-256 and whether logs were replayed into it, and the command line.
#include <string>
#include <vector>

#include "hiveregistry/HiveKeyStore.h"

// The arguments joined by the platform's quoting rules, so that
// CommandLineToArgvW splits them back into the same arguments (after a
// program name).
std::wstring QuotedArguments(const std::vector<std::wstring>& arguments);

// The report header's lines (";    ...\r\n"): one for each hive file
// mounted, in order, then the command line as split into arguments.
std::wstring ProvenanceNote(const HiveKeyStore& hives, const std::vector<std::wstring>& arguments);

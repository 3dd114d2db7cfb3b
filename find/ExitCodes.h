#pragma once
// kestrin-find's exit codes, the one list of them. The usage text and the
// README's table are made from the same list (KESTRIN_FIND_EXIT_CODES).
//
// X(name, value, meaning)
#define KESTRIN_FIND_EXIT_CODES(X)                                                                        \
    X(Done, 0, "done")                                                                                    \
    X(Stopped, 1, "stopped by Ctrl+C, or the reader of standard output went away")                        \
    X(Unreadable, 2, "some keys could not be read, or a hive file is damaged")                            \
    X(ReportFailed, 3, "the report could not be written")                                                 \
    X(NotSearched, 4, "some values were too hard for the regular expression and were not searched")       \
    X(Usage, 64, "usage error")                                                                           \
    X(NotAHive, 65, "a file given with /H is not a usable hive")                                          \
    X(CannotOpen, 66, "a file given with /H cannot be opened")

enum class FindExit : int {
#define KESTRIN_FIND_EXIT_ENUM(name, value, meaning) name = value,
    KESTRIN_FIND_EXIT_CODES(KESTRIN_FIND_EXIT_ENUM)
#undef KESTRIN_FIND_EXIT_ENUM
};

#pragma once
// kestrin-find's exit codes, the one list of them. The usage text and the
// README's table are made from the same list (KESTRIN_FIND_EXIT_CODES; the
// README's is checked by tests/find/exit_codes_table.py, which also prints
// it). The list is in order of precedence: when several apply (a stopped
// run that also met unreadable keys), the run ends with the first of them:
// what lost results, then what the user asked for, then a hive that was not
// searched at all, then what was searched only in part.
//
// X(name, value, meaning)
#define KESTRIN_FIND_EXIT_CODES(X)                                                                   \
    X(Usage, 64, "usage error, or a start key that cannot be opened: nothing searched")              \
    X(ReportFailed, 3, "the report could not be written; the search ended there")                    \
    X(Stopped, 1, "stopped by Ctrl+C, or the reader of standard output went away")                   \
    X(CannotOpen, 66, "a file given with /H cannot be opened")                                       \
    X(NotAHive, 65, "a file given with /H is not a usable hive")                                     \
    X(NotSearched, 4, "some values were too hard for the regular expression, not searched")          \
    X(Unreadable, 2, "some keys could not be read (see ExcludeKeys.txt), or a hive is damaged")      \
    X(Done, 0, "done")

#include <initializer_list>

enum class FindExit : int {
#define KESTRIN_FIND_EXIT_ENUM(name, value, meaning) name = value,
    KESTRIN_FIND_EXIT_CODES(KESTRIN_FIND_EXIT_ENUM)
#undef KESTRIN_FIND_EXIT_ENUM
};

// Of the outcomes that apply, the one that comes first in the list; Done
// when none does.
inline FindExit FirstExit(std::initializer_list<FindExit> outcomes) {
#define KESTRIN_FIND_EXIT_FIRST(name, value, meaning)            \
    for (FindExit outcome : outcomes)                            \
        if (outcome == FindExit::name) return outcome;
    KESTRIN_FIND_EXIT_CODES(KESTRIN_FIND_EXIT_FIRST)
#undef KESTRIN_FIND_EXIT_FIRST
    return FindExit::Done;
}

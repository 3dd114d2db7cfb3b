#pragma once
// kestrin-find's exit codes, the one list of them. The usage text and the
// tables of the README and docs/kestrin-find.md are made from the same list
// (KESTRIN_FIND_EXIT_CODES; the tables are checked by
// tests/find/exit_codes_table.py, which also prints them). The list is in
// order of precedence: when several apply (a stopped run that also met
// unreadable keys), the run ends with the first of them: what searched
// nothing, then what lost results, then what the user asked for, then a hive
// that was not searched at all, then what was searched only in part. An
// internal error (the search thread could not be started) comes
// right after a usage error: like it, it means that nothing was searched at
// all, which any later code (a hive that did not open, a lost reader) would
// hide.
//
// X(name, value, worker, meaning): worker names, in parentheses, the search
// thread's outcomes (SearchThreadExit) that end the run with this code, and
// is () for a code that only kestrin-find itself gives. The list is thus
// also the one place where the thread's outcomes become exit codes.
#define KESTRIN_FIND_EXIT_CODES(X)                                                                  \
    X(Usage, 64, (), "usage error, or a start key that cannot be opened: nothing searched")         \
    X(Internal, 70, (kSearchNoEngine), "internal error: nothing searched")                          \
    X(ReportFailed, 3, (kSearchReportFailed),                                                       \
      "the report could not be written; the search ended there")                                    \
    X(Stopped, 1, (kSearchStopped),                                                                 \
      "stopped by Ctrl+C, or a reader of standard output or error went away")                       \
    X(CannotOpen, 66, (), "a file given with /H or found by /O cannot be opened, or /O's ROOT")     \
    X(NotAHive, 65, (), "a hive of /H or /O is not usable, or ROOT holds no hives")                 \
    X(NotSearched, 4, (), "some values were too hard for the regular expression, not searched")     \
    X(Unreadable, 2, (kSearchUnreadable),                                                           \
      "some keys could not be read (see ExcludeKeys.txt), or a hive is damaged")                    \
    X(Done, 0, (kSearchCompleted), "done")

#include <initializer_list>

#include "engine/SearchContext.h"

enum class FindExit : int {
#define KESTRIN_FIND_EXIT_ENUM(name, value, worker, meaning) name = value,
    KESTRIN_FIND_EXIT_CODES(KESTRIN_FIND_EXIT_ENUM)
#undef KESTRIN_FIND_EXIT_ENUM
};

// Of the outcomes that apply, the one that comes first in the list; Done
// when none does.
inline FindExit FirstExit(std::initializer_list<FindExit> outcomes) {
#define KESTRIN_FIND_EXIT_FIRST(name, value, worker, meaning)    \
    for (FindExit outcome : outcomes)                            \
        if (outcome == FindExit::name) return outcome;
    KESTRIN_FIND_EXIT_CODES(KESTRIN_FIND_EXIT_FIRST)
#undef KESTRIN_FIND_EXIT_FIRST
    return FindExit::Done;
}

// The search thread's exit code as the run's. A code the thread never gives
// is an internal error.
inline FindExit WorkerExit(DWORD threadExit) {
#define KESTRIN_FIND_WORKER_OUTCOMES(...) std::initializer_list<DWORD>{__VA_ARGS__}
#define KESTRIN_FIND_EXIT_OF_WORKER(name, value, worker, meaning)      \
    for (DWORD outcome : KESTRIN_FIND_WORKER_OUTCOMES worker)          \
        if (outcome == threadExit) return FindExit::name;
    KESTRIN_FIND_EXIT_CODES(KESTRIN_FIND_EXIT_OF_WORKER)
#undef KESTRIN_FIND_EXIT_OF_WORKER
#undef KESTRIN_FIND_WORKER_OUTCOMES
    return FindExit::Internal;
}

// registry_churn KEY TEXT STOP: the other program of a live registry. Under
// HKEY_CURRENT_USER\KEY it adds and deletes values and sub-keys as fast as it
// can, so that a search walking the key meets values that grew, lists that
// got shorter and sub-keys that are gone by the time they are opened. Each
// value and each sub-key's value holds TEXT. It prints "churning" once the
// first round is done and ends when the event named STOP is signalled, after
// kMaxRounds rounds or after kMaxMilliseconds, whichever comes first, and
// then prints the number of rounds.
#include <windows.h>
#include <cstdio>
#include <string>

namespace {

constexpr int kMaxRounds = 200000;
constexpr ULONGLONG kMaxMilliseconds = 30000;
// How many of the churned values and sub-keys live at once.
constexpr int kLive = 16;

std::string Name(char kind, int round) { return kind + std::to_string(round); }

// Data whose length changes from round to round, so that a value read after
// the key's figures were taken is often longer than they said.
std::string Data(const std::string& text, int round) {
    return text + " " + std::string(static_cast<size_t>(round % 40) * 25, 'd');
}

bool SetString(HKEY key, const std::string& name, const std::string& data) {
    return ::RegSetValueExA(key, name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(data.c_str()),
                            static_cast<DWORD>(data.size() + 1)) == ERROR_SUCCESS;
}

// One round: a new value and a new sub-key, the oldest of each deleted.
bool Churn(HKEY key, const std::string& text, int round) {
    bool ok = SetString(key, Name('v', round), Data(text, round));
    HKEY sub = nullptr;
    if (::RegCreateKeyExA(key, Name('k', round).c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &sub,
                          nullptr) == ERROR_SUCCESS) {
        ok = SetString(sub, "v", Data(text, round)) && ok;
        ::RegCloseKey(sub);
    } else {
        ok = false;
    }
    if (round >= kLive) {
        ::RegDeleteValueA(key, Name('v', round - kLive).c_str());
        ::RegDeleteKeyA(key, Name('k', round - kLive).c_str());
    }
    return ok;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 4) {
        std::fputs("usage: registry_churn KEY TEXT STOP\n", stderr);
        return 64;
    }
    // Opens the test's event, or makes one that nobody signals when the
    // helper is run by hand.
    HANDLE stop = ::CreateEventA(nullptr, TRUE, FALSE, argv[3]);
    HKEY key = nullptr;
    if (!stop || ::RegCreateKeyExA(HKEY_CURRENT_USER, argv[1], 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key,
                                   nullptr) != ERROR_SUCCESS) {
        std::fputs("registry_churn: cannot make the stop event or open the key\n", stderr);
        return 2;
    }
    const ULONGLONG deadline = ::GetTickCount64() + kMaxMilliseconds;
    int round = 0;
    int status = 0;
    for (; round < kMaxRounds && ::GetTickCount64() < deadline; ++round) {
        if (!Churn(key, argv[2], round)) {
            status = 2;
            break;
        }
        if (round == 0) {
            std::puts("churning");
            std::fflush(stdout);
        }
        if (::WaitForSingleObject(stop, 0) == WAIT_OBJECT_0) break;
    }
    std::printf("%d rounds\n", round);
    ::RegCloseKey(key);
    ::CloseHandle(stop);
    return status;
}

// The test platform: the seam's implementation for the unit tests and the fuzzer, never
// for the program. Tests set what the system reports and each call's outcome, and every
// call is recorded in order. Being test-only, it may use modern C++ and its library.
#pragma once

#include <map>
#include <set>
#include <string>
#include <utility>
#include <vector>

struct FakePlatform {
    std::wstring modulePath = L"\\Storage Card\\Install\\tool.exe";
    unsigned long majorVersion = 6;
    std::map<std::wstring, std::string> files;  // path -> bytes
    size_t readLimit = 4096;                     // most bytes one read hands back
    std::vector<bool> startOutcomes;             // per start; starts beyond it succeed
    // (operation, n): the n-th call of the operation fails; n = 0 makes every call fail.
    std::set<std::pair<std::string, int>> failures;
    std::vector<std::wstring> calls;

    std::map<std::string, int> callCounts;
    std::map<int, std::wstring> openFiles;       // handle -> path
    std::map<int, size_t> readPositions;         // handle -> next byte
    std::set<int> liveHandles;
    int nextHandle = 1;

    bool Fails(const std::string &operation);
    std::vector<std::wstring> CallsWithoutReads() const;
};

extern FakePlatform fake;

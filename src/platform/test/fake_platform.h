// The test platform: the seam's implementation for the unit tests and the fuzzer, never
// for the program. Tests set what the system reports and which calls fail, and read back
// the calls the core made and the handles it left open. Being test-only, it may use modern
// C++ and its library.
#pragma once

#include <map>
#include <set>
#include <string>
#include <utility>
#include <vector>

struct FakePlatform {
    std::wstring modulePath = L"\\Storage Card\\Install\\tool.exe";  // the major version is 6
    std::map<std::wstring, std::string> files;  // path -> bytes
    size_t readLimit = 4096;                     // most bytes one read hands back
    // (operation, n): the n-th call of "module", "version", "open", "read" or "start" fails.
    std::set<std::pair<std::string, int>> failures;

    std::vector<std::wstring> calls;             // in order, reads left out
    std::set<int> liveHandles;
    std::set<int> codePagesAsked;                // by the core's ANSI decoding

    std::map<std::string, int> callCounts;
    std::map<int, std::pair<std::wstring, size_t>> openFiles;  // handle -> path, next byte
    int nextHandle = 1;

    bool Fails(const std::string &operation);
};

extern FakePlatform fake;

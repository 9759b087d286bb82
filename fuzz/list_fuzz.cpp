// Fuzzes reading and classifying the install list and building the installer's arguments
// from each entry.
// Input: one byte for how many bytes each read hands back, one for the own directory's
// length, then the list file's bytes. Checks properties, not only the absence of crashes.
#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "core/batch.h"
#include "fake_platform.h"
#include "fuzz_check.h"

// A buffer followed by a guard that must come through every call untouched.
template <int Capacity> struct Guarded {
    wchar_t text[Capacity];
    wchar_t guard[8];
    Guarded() { std::fill(std::begin(guard), std::end(guard), L'\x7777'); }
    bool Intact() const { return std::wstring(guard, 8) == std::wstring(8, L'\x7777'); }
};

// What each line of a plain ASCII list must become, as "number:entry" or "number:-" for a
// skipped one: lines end at LF or CR LF; blank, NUL-holding and over-long ones are skipped.
static std::vector<std::wstring> AsciiLines(const std::string &bytes)
{
    std::vector<std::wstring> lines;
    for (size_t start = 0; start < bytes.size();) {
        size_t end = std::min(bytes.find('\n', start), bytes.size());
        std::string line = bytes.substr(start, end - start);
        if (end < bytes.size() && !line.empty() && line.back() == '\r')
            line.pop_back();
        bool blank = line.find_first_not_of(" \t\r") == std::string::npos;
        bool usable = !blank && line.size() <= kMaxEntryLength && line.find('\0') == std::string::npos;
        lines.push_back(std::to_wstring(lines.size() + 1) + L":"
                        + (usable ? std::wstring(line.begin(), line.end()) : L"-"));
        start = end + 1;
    }
    return lines;
}

static void CheckArguments(const std::wstring &directory, const std::wstring &entry)
{
    Guarded<kArgumentsCapacity> arguments;
    Status status = FormatInstallArguments(directory.c_str(), entry.c_str(), arguments.text);
    std::wstring expected = L" /noui /pbar \"" + directory + L"\\" + entry + L"\"";
    CHECK(arguments.Intact());
    if (status == kOk)
        CHECK(arguments.text == expected);  // the entry whole, inside the quotes
    else
        CHECK(status == kFailed && expected.size() >= kArgumentsCapacity);
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 2)
        return 0;
    const std::string bytes(data + 2, data + size);
    const std::wstring directory = L"\\" + std::wstring(data[1] % 128, L'd');
    fake = FakePlatform();
    fake.readLimit = 1 + data[0] % 64;
    fake.files[L"\\L\\SetupFile.CE6.txt"] = bytes;

    wchar_t listPath[kListPathCapacity];
    InstallList list;
    CHECK(OpenInstallList(L"\\L", listPath, &list) == kOk);
    std::vector<std::wstring> lines;
    Guarded<kLineCapacity> line;
    ListLine read;
    while (ReadListLine(&list, line.text, &read) != nullptr) {
        CHECK(line.Intact() && read.number == int(lines.size()) + 1);
        if (read.outcome != kLineEntry) {
            lines.push_back(std::to_wstring(read.number) + L":-");
            continue;
        }
        std::wstring text(line.text);
        CHECK(!text.empty() && text.size() <= kMaxEntryLength);
        CHECK(text.find(L'\n') == std::wstring::npos);
        CHECK(text.find_first_not_of(L" \t\r") != std::wstring::npos);
        lines.push_back(std::to_wstring(read.number) + L":" + text);
        CheckArguments(directory, text);
    }
    FinishInstallList(&list, listPath);

    bool ascii = std::all_of(bytes.begin(), bytes.end(),
                             [](unsigned char c) { return c < 0x80; });
    if (ascii)
        CHECK(lines == AsciiLines(bytes));
    return 0;
}

// Walks a folder tree with find_first/find_next, as the program's walk does,
// and prints entries listed per second. Usage: find_bench <folder> [pattern] [rounds]
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "common/text.h"
#include "platform/platform.h"

namespace {

bool is_dot_entry(const wchar_t* n) { return n[0] == L'.' && (n[1] == 0 || (n[1] == L'.' && n[2] == 0)); }

// Lists `folder` with `pattern`, counting entries, and descends into the
// sub-folders (found in the same listing when the pattern lists everything).
void walk(const std::wstring& folder, const std::wstring& pattern, long long* entries, long long* bytes) {
    bool lists_all = pattern == L"*" || pattern == L"*.*";
    platform::FindRecord rec;
    platform::FindHandle h = platform::find_first((folder + pattern).c_str(), &rec);
    std::vector<std::wstring> subfolders;
    if (h) {
        do {
            ++*entries;
            *bytes += static_cast<long long>(rec.size());
            if (lists_all && (rec.attributes & platform::ATTR_DIRECTORY) && !is_dot_entry(rec.name))
                subfolders.emplace_back(rec.name);
        } while (platform::find_next(h, &rec));
        platform::find_close(h);
    }
    if (!lists_all && (h = platform::find_first((folder + L"*").c_str(), &rec))) {
        do {
            if ((rec.attributes & platform::ATTR_DIRECTORY) && !is_dot_entry(rec.name))
                subfolders.emplace_back(rec.name);
        } while (platform::find_next(h, &rec));
        platform::find_close(h);
    }
    for (const auto& name : subfolders) walk(folder + name + L"\\", pattern, entries, bytes);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: find_bench <folder> [pattern] [rounds]\n");
        return 2;
    }
    std::wstring root;
    if (!platform::full_path(text::from_utf8(argv[1]).c_str(), root)) return 2;
    if (root.back() != L'\\') root += L'\\';
    std::wstring pattern = argc > 2 ? text::from_utf8(argv[2]) : L"*.*";
    int rounds = argc > 3 ? std::atoi(argv[3]) : 3;
    double best = 1e9;
    long long entries = 0, bytes = 0;
    for (int r = 0; r < rounds; ++r) {
        entries = bytes = 0;
        auto start = std::chrono::steady_clock::now();
        walk(root, pattern, &entries, &bytes);
        double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        if (seconds < best) best = seconds;
    }
    std::printf("pattern %ls: %lld entries, %lld bytes, best of %d: %.3f s, %.0f entries/s\n", pattern.c_str(),
                entries, bytes, rounds, best, entries / best);
    return 0;
}

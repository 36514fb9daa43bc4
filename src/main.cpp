// kestro: copies newer files from source folders into a destination.
#include <string>
#include <vector>

#include "common/text.h"
#include "run/driver.h"

#ifdef _WIN32
int wmain(int argc, wchar_t** argv) { kestro_main(argc, argv); }
#else
int main(int argc, char** argv) {
    // The program works on wide arguments; the host hands UTF-8.
    static std::vector<std::wstring> wide;
    wide.reserve(static_cast<size_t>(argc));
    for (int i = 0; i < argc; ++i) wide.push_back(text::from_utf8(argv[i], std::char_traits<char>::length(argv[i])));
    static std::vector<wchar_t*> vector;
    for (auto& argument : wide) vector.push_back(argument.data());
    vector.push_back(nullptr);
    kestro_main(argc, vector.data());
}
#endif

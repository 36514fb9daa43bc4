// kestro: copies newer files from source folders into a destination.
#include <string>
#include <vector>

#include "platform/names.h"
#include "run/driver.h"

#ifdef _WIN32
int wmain(int argc, wchar_t** argv) { kestro_main(argc, argv); }
#else
int main(int argc, char** argv) {
    // The program works on wide arguments; the host hands bytes, UTF-8 as a
    // rule. Other bytes are kept (as lone surrogates), so that a path in
    // another encoding still names its folder.
    static std::vector<std::wstring> wide(static_cast<size_t>(argc));
    for (int i = 0; i < argc; ++i)
        platform::append_windows_text(argv[i], std::char_traits<char>::length(argv[i]), platform::HostText::typed,
                                      wide[i]);
    static std::vector<wchar_t*> vector;
    for (auto& argument : wide) vector.push_back(argument.data());
    vector.push_back(nullptr);
    kestro_main(argc, vector.data());
}
#endif

#include "walk/folder_chain.h"

#include <vector>

#include "platform/platform.h"

namespace {

struct Frame {
    const std::wstring* dir;
    enum { unknown, known, unavailable } state;
    platform::FileIdentity identity;
};

std::vector<Frame> chain;

// The identity of the folder `dir` leads to (links followed). The trailing
// '\' is left off: some hosts refuse to open a folder named with it.
bool identity_of(const std::wstring& dir, platform::FileIdentity* identity) {
    std::wstring path(dir, 0, dir.size() - (!dir.empty() && dir.back() == L'\\' ? 1 : 0));
    return platform::get_file_identity(path.c_str(), identity);
}

}  // namespace

void enter_folder(const std::wstring& dir) { chain.push_back({&dir, Frame::unknown, {}}); }

void leave_folder() { chain.pop_back(); }

bool leads_to_entered_folder(const std::wstring& child) {
    platform::FileIdentity target;
    if (!identity_of(child, &target)) return false;
    for (Frame& frame : chain) {
        if (frame.state == Frame::unknown)
            frame.state = identity_of(*frame.dir, &frame.identity) ? Frame::known : Frame::unavailable;
        if (frame.state == Frame::known && frame.identity == target) return true;
    }
    return false;
}

#include "walk/folder_chain.h"

#include <vector>

#include "platform/platform.h"

namespace {

struct Frame {
    size_t length;
    enum { unknown, known, unavailable } state;
    platform::FileIdentity identity;
};

std::vector<Frame> chain;

// The identity of the folder the first `length` characters of `path` name
// (links followed). The trailing '\' is left off: some hosts refuse to open
// a folder named with it.
bool identity_of(const std::wstring& path, size_t length, platform::FileIdentity* identity) {
    if (length > 0 && path[length - 1] == L'\\') --length;
    return platform::get_file_identity(path.substr(0, length).c_str(), identity);
}

}  // namespace

void enter_folder(size_t length) { chain.push_back({length, Frame::unknown, {}}); }

void leave_folder() { chain.pop_back(); }

bool leads_to_entered_folder(const std::wstring& child) {
    platform::FileIdentity target;
    if (!identity_of(child, child.size(), &target)) return false;
    for (Frame& frame : chain) {
        if (frame.state == Frame::unknown)
            frame.state = identity_of(child, frame.length, &frame.identity) ? Frame::known : Frame::unavailable;
        if (frame.state == Frame::known && frame.identity == target) return true;
    }
    return false;
}

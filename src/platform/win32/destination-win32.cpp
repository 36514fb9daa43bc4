// The destination tree on Windows: junctions and links in it are followed as
// Windows follows them, as the program always has there.
#include "platform/platform.h"

namespace platform {

void confine_changes_beneath(const std::wstring&) {}

bool take_refused_link(RefusedLink*) { return false; }

bool changes_refused_in(const std::wstring&) { return false; }

}  // namespace platform

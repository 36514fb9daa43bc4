#include "common/pause.h"

#include "platform/platform.h"

namespace {
bool pauses_enabled() {
    static const bool enabled = [] {
        std::wstring value;
        return !(platform::get_env("KESTRO_PAUSE", &value) && value == L"0");
    }();
    return enabled;
}
}  // namespace

void pause_seconds(int seconds) {
    if (seconds <= 0 || !pauses_enabled()) return;
    platform::sleep_ms(static_cast<unsigned>(seconds) * 1000u);
}

#include "platform/pause.h"

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
    // In slices, so that Ctrl+C cuts a pause short and the run ends at once.
    constexpr unsigned SLICE_MS = 100;
    for (unsigned waited = 0; waited < static_cast<unsigned>(seconds) * 1000u; waited += SLICE_MS) {
        if (platform::interrupt_requested()) return;
        platform::sleep_ms(SLICE_MS);
    }
}

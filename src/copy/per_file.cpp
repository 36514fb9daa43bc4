#include "copy/per_file.h"

void process_file(const std::wstring&, const std::wstring&, platform::FindRecord) {}

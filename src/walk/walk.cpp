// Interim walk: visits nothing. The tree walk replaces this file.
#include "walk/walk.h"

void walk_directory(const std::wstring&) {}

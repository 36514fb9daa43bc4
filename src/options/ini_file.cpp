#include "options/ini_file.h"

// No INI file is looked for yet: the command line alone sets the run.
void apply_ini_file(wchar_t**) {}

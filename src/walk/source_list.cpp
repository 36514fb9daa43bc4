#include "walk/source_list.h"

void run_source_list() {}

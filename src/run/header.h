// The start-up header on the screen, in the default log and the error log.
#pragma once

void print_header(int argc, wchar_t** argv);

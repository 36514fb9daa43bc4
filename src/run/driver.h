// The program's entry: prepares the run, checks the destination, walks.
#pragma once

[[noreturn]] void kestro_main(int argc, wchar_t** argv);

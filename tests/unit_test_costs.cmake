# Read by ctest after the unit tests it found (tests/CMakeLists.txt): rough
# seconds of the unit tests that take far longer than the rest.
set_tests_properties(FileHashingTools.SparseFileLargerThanFourGiB PROPERTIES COST 25)

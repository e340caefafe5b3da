# Tests of the notes area.
qb_add_test(test_notefiles SOURCES test_notefiles.cpp)

# Tests of the book area.
qb_add_test(test_bookfile SOURCES test_bookfile.cpp)

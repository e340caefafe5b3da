# Tests of the find area.
qb_add_test(test_find GUI SOURCES test_find.cpp)

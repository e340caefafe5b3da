# Tests of the find area.
qb_add_test(tst_find GUI SOURCES tst_find.cpp)

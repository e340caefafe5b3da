# Tests of the launch area.
qb_add_test(tst_launch GUI SOURCES tst_launch.cpp)

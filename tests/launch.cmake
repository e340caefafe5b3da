# Tests of the launch area.
qb_add_test(test_launch GUI SOURCES test_launch.cpp)

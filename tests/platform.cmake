# Tests of the platform area: the real Qt dialogs.
qb_add_test(test_qtplatform GUI SOURCES test_qtplatform.cpp TestFiles.h)

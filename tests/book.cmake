# Tests of the book area.
qb_add_test(test_bookfile SOURCES test_bookfile.cpp)
qb_add_test(test_bookcommands GUI SOURCES test_bookcommands.cpp BookWindow.h FakePlatform.h TestFiles.h)

# Tests of the folders area.
qb_add_test(test_folders_rules SOURCES test_folders_rules.cpp)
qb_add_test(test_folders GUI SOURCES test_folders.cpp BookWindow.h FakePlatform.h TestFiles.h)

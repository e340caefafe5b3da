# Tests of the notes area.
qb_add_test(test_notefiles SOURCES test_notefiles.cpp)
qb_add_test(test_notecodec SOURCES test_notecodec.cpp)
qb_add_test(test_notedocument SOURCES test_notedocument.cpp GUI)

# Tests of the window's notecommands.
qb_add_test(test_notecommands GUI SOURCES test_notecommands.cpp NoteWindow.h)
qb_add_test(test_notesaving GUI SOURCES test_notesaving.cpp NoteWindow.h)

# Tests of the window's encodecommands.
qb_add_test(test_encodecommands GUI SOURCES test_encodecommands.cpp NoteWindow.h)
qb_add_test(test_editorcommands GUI SOURCES test_editorcommands.cpp NoteWindow.h)

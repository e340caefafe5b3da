# Tests of the window's encodecommands.

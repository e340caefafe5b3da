# Tests of the window's notecommands.

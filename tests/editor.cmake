# Tests of the editor area.

# Tests of the notes area.

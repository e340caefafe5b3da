# Tests of the find area.

# Tests of the folders area.

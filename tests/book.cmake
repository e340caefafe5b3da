# Tests of the book area.

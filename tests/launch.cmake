# Tests of the launch area.

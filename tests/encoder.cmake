# Tests of the encoder area.

# Tests of the encoder area.
qb_add_test(test_cipher SOURCES test_cipher.cpp)

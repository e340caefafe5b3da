# Tests of the application shell.
qb_add_test(test_mainwindow GUI SOURCES test_mainwindow.cpp FakePlatform.h TestFiles.h)

# The real program in a real window under Xvfb.
add_test(NAME smoke_real_window
         COMMAND ${CMAKE_CURRENT_SOURCE_DIR}/smoke.sh $<TARGET_FILE:quirebox>
                 ${CMAKE_CURRENT_SOURCE_DIR}/data/smoke)
set_tests_properties(smoke_real_window PROPERTIES TIMEOUT 120
    ENVIRONMENT "LSAN_OPTIONS=suppressions=${CMAKE_CURRENT_SOURCE_DIR}/lsan.supp")

# Tests of the application shell.
qb_add_test(test_mainwindow GUI SOURCES test_mainwindow.cpp FakePlatform.h TestFiles.h)

# The real program in a real window under Xvfb.
add_test(NAME smoke_real_window
         COMMAND ${CMAKE_CURRENT_SOURCE_DIR}/smoke.sh $<TARGET_FILE:quirebox>
                 ${CMAKE_CURRENT_SOURCE_DIR}/data/smoke)
set_tests_properties(smoke_real_window PROPERTIES TIMEOUT 120
    ENVIRONMENT "LSAN_OPTIONS=suppressions=${CMAKE_CURRENT_SOURCE_DIR}/lsan.supp")

# The command line: the rule on its own, then the real program's answers.
qb_add_test(test_commandline GUI SOURCES test_commandline.cpp)
add_test(NAME commandline_real_program
         COMMAND ${CMAKE_CURRENT_SOURCE_DIR}/commandline.sh $<TARGET_FILE:quirebox>)
set_tests_properties(commandline_real_program PROPERTIES TIMEOUT 60
    ENVIRONMENT "LSAN_OPTIONS=suppressions=${CMAKE_CURRENT_SOURCE_DIR}/lsan.supp")

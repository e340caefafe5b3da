# Benchmarks of the application shell.
qb_add_bench(bench_startup bench_startup.cpp)
target_include_directories(bench_startup PRIVATE ${PROJECT_SOURCE_DIR}/tests)
target_link_libraries(bench_startup PRIVATE Qt6::Test)

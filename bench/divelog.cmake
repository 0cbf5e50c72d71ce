# The profile chart of a long dive with many events. Built only; run by
# hand: build/bin/divelog_bench
add_executable(divelog_bench ${CMAKE_CURRENT_LIST_DIR}/divelog_chart.cpp)
target_link_libraries(divelog_bench PRIVATE orvelle_divelog)

# ReadBlock/WriteBlock over a pseudo-terminal against the raw limit of the
# same pair. Built only; run by hand: build/bin/device_bench
add_executable(device_bench ${CMAKE_CURRENT_LIST_DIR}/device_throughput.cpp)
target_link_libraries(device_bench PRIVATE orvelle_device orvelle_devsim_core)

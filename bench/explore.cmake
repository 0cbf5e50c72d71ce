# Run by scripts/bench: explore_bench <bin folder> <pairs> <dives> <samples>
add_executable(explore_bench ${CMAKE_CURRENT_LIST_DIR}/explore_bench.cpp)
target_include_directories(explore_bench PRIVATE ${CMAKE_SOURCE_DIR}/tests/device)
target_link_libraries(explore_bench PRIVATE orvelle_logbook)
add_dependencies(explore_bench orvelle-cli orvelle-bookgen)

# The whole log book as one list and its statistics over a known saved copy.
orvelle_test(explore_list_test unit ${CMAKE_CURRENT_LIST_DIR}/explore_list_test.cpp)
target_link_libraries(explore_list_test PRIVATE orvelle_explore)

orvelle_test(values_test unit ${CMAKE_CURRENT_LIST_DIR}/values_test.cpp)
target_link_libraries(values_test PRIVATE orvelle_values)

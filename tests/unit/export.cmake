# The export's memory against the size of the log book, on generated books.
orvelle_test(export_memory_test unit export_memory_test.cpp)
target_include_directories(export_memory_test PRIVATE ${CMAKE_SOURCE_DIR}/tests/device)
target_link_libraries(export_memory_test PRIVATE orvelle_logbook)
add_dependencies(export_memory_test orvelle-cli orvelle-bookgen)
orvelle_test(export_record_test unit export_record_test.cpp)
target_link_libraries(export_record_test PRIVATE orvelle_export)

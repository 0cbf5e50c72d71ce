# The update information: file lists, the offered version, the texts shown.
orvelle_test(update_unit_test unit update_info_test.cpp)
target_link_libraries(update_unit_test PRIVATE orvelle_transfer)

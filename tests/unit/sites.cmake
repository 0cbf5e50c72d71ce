# Dive sites: records and coordinates, the three lists, .ds files.
orvelle_test(sites_unit_test unit sites_record_test.cpp sites_model_test.cpp sites_file_test.cpp)
target_link_libraries(sites_unit_test PRIVATE orvelle_sites)

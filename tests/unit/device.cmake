# Device link: packet layout, identify decoding, port choice.
orvelle_test(device_unit_test unit device_packet_test.cpp device_port_match_test.cpp)
target_link_libraries(device_unit_test PRIVATE orvelle_device)

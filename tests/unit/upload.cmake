# Upload relay: step parsing and checks, buffer filling, the relay against an
# in-memory device and service, and the dive-log memory format end to end
# (the virtual device's writer read back by the service's parser).
orvelle_test(upload_unit_test unit upload_steps_test.cpp upload_relay_test.cpp upload_format_test.cpp)
target_link_libraries(upload_unit_test PRIVATE orvelle_transfer orvelle_devsim_core orvelle_cloudsim_core)

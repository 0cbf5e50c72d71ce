# Dive site lists to and from orvelle-devsim on a real pseudo-terminal.
orvelle_test(sites_device_test device sites_transfer_test.cpp devsim_process.cpp)
target_link_libraries(sites_device_test PRIVATE orvelle_sites)
add_dependencies(sites_device_test orvelle-devsim)

# Firmware and dive-site database updates: orvelle-cloudsim over TLS,
# orvelle-devsim on a pty, UpdateFunc on the headless engine.
orvelle_test(update_device_test device update_flow_test.cpp update_faults_test.cpp
  devsim_process.cpp ${CMAKE_SOURCE_DIR}/tests/cloud/sim_server.cpp)
target_include_directories(update_device_test PRIVATE ${CMAKE_SOURCE_DIR}/tests/cloud)
target_link_libraries(update_device_test PRIVATE orvelle_transfer orvelle_headless orvelle_cloudsim_core)
add_dependencies(update_device_test orvelle-devsim orvelle-cloudsim)

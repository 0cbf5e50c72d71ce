# The log upload end to end: UploadFunc on the real main page (headless
# engine), orvelle-devsim on a pty and orvelle-cloudsim over TLS on loopback.
orvelle_test(upload_device_test device upload_e2e_test.cpp devsim_process.cpp
  ${CMAKE_SOURCE_DIR}/tests/cloud/sim_server.cpp)
target_include_directories(upload_device_test PRIVATE ${CMAKE_SOURCE_DIR}/tests/cloud ${CMAKE_SOURCE_DIR}/tools/cloudsim)
target_link_libraries(upload_device_test PRIVATE orvelle_transfer orvelle_browse orvelle_account orvelle_headless)
add_dependencies(upload_device_test orvelle-devsim orvelle-cloudsim)

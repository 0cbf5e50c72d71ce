# Device link against orvelle-devsim on a real pseudo-terminal.
orvelle_test(device_protocol_test device
  device_protocol_test.cpp device_faults_test.cpp devsim_process.cpp)
target_link_libraries(device_protocol_test PRIVATE orvelle_device)
add_dependencies(device_protocol_test orvelle-devsim)

orvelle_test(device_cli_test device device_cli_test.cpp devsim_process.cpp)
target_link_libraries(device_cli_test PRIVATE orvelle_device)
add_dependencies(device_cli_test orvelle-devsim orvelle-cli orvelle-cloudsim)

# Discovery against umockdev's simulated udev devices: the binary runs with
# umockdev's preload library so libudev, /sys and /dev see the testbed.
pkg_check_modules(UMOCKDEV IMPORTED_TARGET umockdev-1.0)
find_library(UMOCKDEV_PRELOAD NAMES libumockdev-preload.so.0 libumockdev-preload.so)
if(UMOCKDEV_FOUND AND UMOCKDEV_PRELOAD)
  add_executable(device_discovery_test device_discovery_test.cpp)
  target_link_libraries(device_discovery_test PRIVATE orvelle_device PkgConfig::UMOCKDEV
    GTest::gtest GTest::gtest_main)
  set(discovery_preload ${UMOCKDEV_PRELOAD})
  if(ORVELLE_SANITIZE)
    # The sanitizer runtime has to come before any other preloaded library.
    execute_process(COMMAND ${CMAKE_CXX_COMPILER} -print-file-name=libasan.so
                    OUTPUT_VARIABLE asan_runtime OUTPUT_STRIP_TRAILING_WHITESPACE)
    set(discovery_preload "${asan_runtime}:${UMOCKDEV_PRELOAD}")
  endif()
  gtest_discover_tests(device_discovery_test
    PROPERTIES LABELS device ENVIRONMENT "LD_PRELOAD=${discovery_preload}" DISCOVERY_TIMEOUT 60)
else()
  message(STATUS "umockdev not found: device discovery tests are not built")
endif()

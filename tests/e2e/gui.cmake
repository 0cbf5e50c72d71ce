if(ORVELLE_GUI)
  add_library(orvelle_gui_test_support STATIC
    ${CMAKE_CURRENT_LIST_DIR}/gui_main.cpp ${CMAKE_CURRENT_LIST_DIR}/gui_support.cpp)
  target_include_directories(orvelle_gui_test_support PUBLIC ${CMAKE_SOURCE_DIR}/tests)
  target_compile_definitions(orvelle_gui_test_support PUBLIC ORVELLE_BIN_DIR="${CMAKE_BINARY_DIR}/bin")
  target_link_libraries(orvelle_gui_test_support PUBLIC orvelle_gtk GTest::gtest)

  add_executable(gui_dialogs_test ${CMAKE_CURRENT_LIST_DIR}/gui_dialogs_test.cpp)
  target_link_libraries(gui_dialogs_test PRIVATE orvelle_gui_test_support)
  add_dependencies(gui_dialogs_test orvelle_runtime_data)
  gtest_discover_tests(gui_dialogs_test PROPERTIES LABELS e2e DISCOVERY_TIMEOUT 60)
endif()

if(ORVELLE_GUI)
  add_executable(gui_logbook_test ${CMAKE_CURRENT_LIST_DIR}/gui_logbook_test.cpp
    ${CMAKE_SOURCE_DIR}/tests/cloud/sim_server.cpp)
  target_include_directories(gui_logbook_test PRIVATE ${CMAKE_SOURCE_DIR}/tests/cloud ${CMAKE_SOURCE_DIR}/tools/cloudsim)
  target_link_libraries(gui_logbook_test PRIVATE orvelle_gui_test_support orvelle_cloud)
  add_dependencies(gui_logbook_test orvelle_runtime_data orvelle-cloudsim)
  gtest_discover_tests(gui_logbook_test PROPERTIES LABELS e2e DISCOVERY_TIMEOUT 60)
endif()

if(ORVELLE_GUI)
  # The engine tests load the headless engine's fixture pages from beside the
  # test programs, where the app:// scheme serves files from.
  add_custom_target(orvelle_gui_fixtures
    COMMAND ${CMAKE_COMMAND} -E copy_directory ${CMAKE_SOURCE_DIR}/tests/page/fixtures ${CMAKE_BINARY_DIR}/bin/test-fixtures)
  add_executable(gui_engine_test ${CMAKE_CURRENT_LIST_DIR}/gui_engine_test.cpp)
  target_link_libraries(gui_engine_test PRIVATE orvelle_gui_test_support)
  add_dependencies(gui_engine_test orvelle_runtime_data orvelle_gui_fixtures)
  gtest_discover_tests(gui_engine_test PROPERTIES LABELS e2e DISCOVERY_TIMEOUT 60)
endif()

if(ORVELLE_GUI)
  add_executable(gui_upload_test ${CMAKE_CURRENT_LIST_DIR}/gui_upload_test.cpp
    ${CMAKE_SOURCE_DIR}/tests/cloud/sim_server.cpp ${CMAKE_SOURCE_DIR}/tests/device/devsim_process.cpp)
  target_include_directories(gui_upload_test PRIVATE ${CMAKE_SOURCE_DIR}/tests/cloud
    ${CMAKE_SOURCE_DIR}/tests/device ${CMAKE_SOURCE_DIR}/tools/cloudsim)
  target_link_libraries(gui_upload_test PRIVATE orvelle_gui_test_support orvelle_cloud orvelle_device)
  add_dependencies(gui_upload_test orvelle_runtime_data orvelle-cloudsim orvelle-devsim)
  gtest_discover_tests(gui_upload_test PROPERTIES LABELS e2e DISCOVERY_TIMEOUT 60)
endif()

if(ORVELLE_GUI)
  add_executable(gui_social_test ${CMAKE_CURRENT_LIST_DIR}/gui_social_test.cpp
    ${CMAKE_SOURCE_DIR}/tests/cloud/sim_server.cpp)
  target_include_directories(gui_social_test PRIVATE ${CMAKE_SOURCE_DIR}/tests/cloud ${CMAKE_SOURCE_DIR}/tools/cloudsim)
  target_link_libraries(gui_social_test PRIVATE orvelle_gui_test_support orvelle_cloud)
  add_dependencies(gui_social_test orvelle_runtime_data orvelle-cloudsim)
  gtest_discover_tests(gui_social_test PROPERTIES LABELS e2e DISCOVERY_TIMEOUT 60)
endif()

if(ORVELLE_GUI)
  add_executable(gui_detail_test ${CMAKE_CURRENT_LIST_DIR}/gui_detail_test.cpp
    ${CMAKE_SOURCE_DIR}/tests/cloud/sim_server.cpp)
  target_include_directories(gui_detail_test PRIVATE ${CMAKE_SOURCE_DIR}/tests/cloud ${CMAKE_SOURCE_DIR}/tools/cloudsim)
  target_link_libraries(gui_detail_test PRIVATE orvelle_gui_test_support orvelle_cloud)
  add_dependencies(gui_detail_test orvelle_runtime_data orvelle-cloudsim)
  gtest_discover_tests(gui_detail_test PROPERTIES LABELS e2e DISCOVERY_TIMEOUT 60)
endif()

if(ORVELLE_GUI)
  add_executable(gui_sites_test ${CMAKE_CURRENT_LIST_DIR}/gui_sites_test.cpp
    ${CMAKE_SOURCE_DIR}/tests/cloud/sim_server.cpp ${CMAKE_SOURCE_DIR}/tests/device/devsim_process.cpp)
  target_include_directories(gui_sites_test PRIVATE ${CMAKE_SOURCE_DIR}/tests/cloud
    ${CMAKE_SOURCE_DIR}/tests/device ${CMAKE_SOURCE_DIR}/tools/cloudsim)
  target_link_libraries(gui_sites_test PRIVATE orvelle_gui_test_support orvelle_sites orvelle_device)
  add_dependencies(gui_sites_test orvelle_runtime_data orvelle-cloudsim orvelle-devsim)
  gtest_discover_tests(gui_sites_test PROPERTIES LABELS e2e DISCOVERY_TIMEOUT 60)
endif()

if(ORVELLE_GUI)
  add_library(orvelle_gui_test_support STATIC
    ${CMAKE_CURRENT_LIST_DIR}/gui_main.cpp ${CMAKE_CURRENT_LIST_DIR}/gui_support.cpp
    ${CMAKE_SOURCE_DIR}/tests/cloud/sim_server.cpp ${CMAKE_SOURCE_DIR}/tests/device/devsim_process.cpp)
  target_include_directories(orvelle_gui_test_support PUBLIC ${CMAKE_SOURCE_DIR}/tests
    ${CMAKE_SOURCE_DIR}/tests/cloud ${CMAKE_SOURCE_DIR}/tests/device ${CMAKE_SOURCE_DIR}/tools/cloudsim)
  target_compile_definitions(orvelle_gui_test_support PUBLIC ORVELLE_BIN_DIR="${CMAKE_BINARY_DIR}/bin")
  target_link_libraries(orvelle_gui_test_support PUBLIC orvelle_desktop orvelle_cloud orvelle_device GTest::gtest)

  # The engine tests load the headless engine's fixture pages from beside the
  # test programs, where the app:// scheme serves files from.
  add_custom_target(orvelle_gui_fixtures
    COMMAND ${CMAKE_COMMAND} -E copy_directory ${CMAKE_SOURCE_DIR}/tests/page/fixtures ${CMAKE_BINARY_DIR}/bin/test-fixtures)

  # One GUI test program: the real WebKit engine, with both simulators at hand.
  function(orvelle_gui_program name)
    add_executable(${name} ${CMAKE_CURRENT_FUNCTION_LIST_DIR}/${name}.cpp)
    target_link_libraries(${name} PRIVATE orvelle_gui_test_support ${ARGN})
    add_dependencies(${name} orvelle_runtime_data orvelle_gui_fixtures orvelle-cloudsim orvelle-devsim)
  endfunction()
  function(orvelle_gui_test name)
    orvelle_gui_program(${name} ${ARGN})
    gtest_discover_tests(${name} PROPERTIES LABELS e2e DISCOVERY_TIMEOUT 60)
  endfunction()

  orvelle_gui_test(gui_dialogs_test)
  orvelle_gui_test(gui_engine_test)
  orvelle_gui_test(gui_logbook_test)
  orvelle_gui_test(gui_offline_test)
  orvelle_gui_test(gui_upload_test)
  orvelle_gui_test(gui_social_test)
  orvelle_gui_test(gui_detail_test)
  orvelle_gui_test(gui_wait_test)
  orvelle_gui_test(gui_sites_test orvelle_sites)
  orvelle_gui_test(gui_maps_test)
  orvelle_gui_test(gui_export_test orvelle_export)
  orvelle_gui_test(gui_dives_test)
  # Key events go to the window that has the keyboard focus: a second GUI
  # test on the same display would take it away mid-walk.
  orvelle_gui_program(gui_keys_test)
  gtest_discover_tests(gui_keys_test PROPERTIES LABELS e2e RUN_SERIAL TRUE DISCOVERY_TIMEOUT 60)
  # axe-core is a test tool only: read from the pinned npm folder, never
  # copied beside the pages. The screen-reader check runs in a D-Bus session
  # of its own, which brings up the AT-SPI bus the program and the reader meet on.
  orvelle_gui_program(gui_a11y_test)
  target_compile_definitions(gui_a11y_test PRIVATE
    ORVELLE_AXE_JS="${CMAKE_SOURCE_DIR}/pages/vendor/node_modules/axe-core/axe.min.js"
    ORVELLE_ATSPI_PY="${CMAKE_CURRENT_LIST_DIR}/atspi_tree.py")
  add_test(NAME gui_a11y.axe COMMAND gui_a11y_test --gtest_filter=GuiA11y.Axe*)
  add_test(NAME gui_a11y.screen_reader
    COMMAND dbus-run-session -- $<TARGET_FILE:gui_a11y_test> --gtest_filter=GuiA11y.ScreenReader*)
  set_tests_properties(gui_a11y.axe gui_a11y.screen_reader PROPERTIES LABELS e2e)

  # The page-fits-window check, one process per display scale: GTK reads the
  # desktop's scale once, when it starts.
  orvelle_gui_program(gui_scale_test)
  foreach(scale GDK_DPI_SCALE=1 GDK_DPI_SCALE=1.25 GDK_DPI_SCALE=1.5 GDK_DPI_SCALE=2 GDK_SCALE=2)
    string(MAKE_C_IDENTIFIER ${scale} scale_name)
    add_test(NAME gui_scale.${scale_name} COMMAND gui_scale_test)
    set_tests_properties(gui_scale.${scale_name} PROPERTIES ENVIRONMENT ${scale} LABELS e2e)
  endforeach()
endif()

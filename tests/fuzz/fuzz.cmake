# Fuzz targets for the code that reads untrusted bytes: device packets, the
# device stream, service replies, dive log replies, the language table and
# HTML fragments. With ORVELLE_FUZZ (clang) each is a libFuzzer program; in
# the normal build each is linked with a replay main that runs its seed
# corpus, so CI catches a regression on any input once found.
function(orvelle_fuzz_target name)
  set(exe fuzz_${name})
  set(source ${CMAKE_CURRENT_FUNCTION_LIST_DIR}/fuzz_${name}.cpp)
  if(ORVELLE_FUZZ)
    add_executable(${exe} ${source})
    target_link_options(${exe} PRIVATE -fsanitize=fuzzer)
  else()
    add_executable(${exe} ${source} ${CMAKE_CURRENT_FUNCTION_LIST_DIR}/replay_main.cpp)
    add_test(NAME ${exe}_replay COMMAND ${exe} ${CMAKE_CURRENT_FUNCTION_LIST_DIR}/corpus/${name})
    set_tests_properties(${exe}_replay PROPERTIES LABELS fuzz TIMEOUT 120)
  endif()
  target_include_directories(${exe} PRIVATE ${CMAKE_CURRENT_FUNCTION_LIST_DIR})
  target_compile_definitions(${exe} PRIVATE ORVELLE_SOURCE_DIR="${CMAKE_SOURCE_DIR}")
  target_link_libraries(${exe} PRIVATE ${ARGN})
endfunction()

orvelle_fuzz_target(packets orvelle_device)
orvelle_fuzz_target(usb_stream orvelle_device)
orvelle_fuzz_target(replies orvelle_cloud)
orvelle_fuzz_target(divelog orvelle_browse orvelle_divelog orvelle_cloud)
orvelle_fuzz_target(string_table orvelle_app)
orvelle_fuzz_target(html orvelle_headless)
orvelle_fuzz_target(ds_file orvelle_sites)
orvelle_fuzz_target(upload_steps orvelle_transfer)
orvelle_fuzz_target(update_info orvelle_transfer)
orvelle_fuzz_target(social_profile orvelle_account)
orvelle_fuzz_target(dive_record orvelle_divelog orvelle_logbook)

# Run by scripts/bench: sync_far_bench <bin folder> <dives> <pairs>
add_executable(sync_far_bench ${CMAKE_CURRENT_LIST_DIR}/sync_far.cpp)
target_include_directories(sync_far_bench PRIVATE ${CMAKE_SOURCE_DIR}/tests/device ${CMAKE_SOURCE_DIR}/tools/cloudsim)
target_link_libraries(sync_far_bench PRIVATE orvelle_cloud PkgConfig::CURL PkgConfig::JSONCPP Threads::Threads)
add_dependencies(sync_far_bench orvelle-cloudsim orvelle-cli)

# Run by scripts/bench: json_bench <book copy> <10,000-sample dive copy> <pairs>
find_package(simdjson REQUIRED)
find_package(RapidJSON REQUIRED)
find_package(nlohmann_json REQUIRED)
add_executable(json_bench ${CMAKE_CURRENT_LIST_DIR}/json_bench.cpp)
target_include_directories(json_bench PRIVATE ${RAPIDJSON_INCLUDE_DIRS})
target_link_libraries(json_bench PRIVATE simdjson::simdjson nlohmann_json::nlohmann_json PkgConfig::JSONCPP
  PkgConfig::SQLITE3)
add_dependencies(json_bench orvelle-bookgen)

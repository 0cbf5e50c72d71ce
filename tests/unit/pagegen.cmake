# The page generator: .po reading, placeholders, and the build step's verdicts.
orvelle_test(pagegen_test unit pagegen_test.cpp)
target_link_libraries(pagegen_test PRIVATE orvelle_pagegen_core)
target_compile_definitions(pagegen_test PRIVATE ORVELLE_PAGEGEN="$<TARGET_FILE:orvelle-pagegen>")
add_dependencies(pagegen_test orvelle-pagegen)

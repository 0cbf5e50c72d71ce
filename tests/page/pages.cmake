# The generated page folders: every language has every page, with one markup.
orvelle_test(page_languages_test page ${CMAKE_CURRENT_LIST_DIR}/page_languages_test.cpp)

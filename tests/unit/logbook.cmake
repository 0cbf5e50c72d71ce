# The saved log book: which requests it holds, where its files go, and how
# a damaged, newer or busy file is treated.
orvelle_test(logbook_saved_copy_test unit logbook_saved_copy_test.cpp)
target_link_libraries(logbook_saved_copy_test PRIVATE orvelle_logbook PkgConfig::SQLITE3)
# Dive summaries: equal to the detail's figures, written with each record,
# filled when a version-1 copy is opened.
orvelle_test(logbook_summary_test unit logbook_summary_test.cpp)
target_link_libraries(logbook_summary_test PRIVATE orvelle_divelog orvelle_logbook PkgConfig::SQLITE3)

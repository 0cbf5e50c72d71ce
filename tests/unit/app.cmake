# Application shell: language table, settings, remembered sign-in, the
# diver's files, data folder.
orvelle_test(app_string_table_test unit app_string_table_test.cpp app_string_json_test.cpp)
target_link_libraries(app_string_table_test PRIVATE orvelle_app)

orvelle_test(app_settings_test unit app_settings_test.cpp app_credentials_test.cpp app_safe_file_test.cpp)
target_link_libraries(app_settings_test PRIVATE orvelle_app)

# Own binary: GLib caches the XDG folders on first use, so this test must be
# the first to ask for them in its process.
orvelle_test(app_data_folder_test unit app_data_folder_test.cpp)
target_link_libraries(app_data_folder_test PRIVATE orvelle_app)

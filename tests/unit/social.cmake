# Social sign-in without windows: token addresses, the page count, profiles.
orvelle_test(social_address_test unit social_address_test.cpp)
target_link_libraries(social_address_test PRIVATE orvelle_account)

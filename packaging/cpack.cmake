# Debian packages, built by scripts/package: `cpack` in a build folder makes
#   orvelle-pc-tool      the desktop program, orvelle-cli and their data
#   orvelle-pc-tool-sim  the virtual dive computer and the local service, for
#                        testing and demonstrations; divers do not need them.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME orvelle-pc-tool)
set(CPACK_PACKAGE_VENDOR "ORVELLE Tessaro")
set(CPACK_PACKAGE_CONTACT "ORVELLE Tessaro <support@orvelle-tessaro.com>")
set(CPACK_PACKAGE_HOMEPAGE_URL "https://www.orvelle-tessaro.com/")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
# Release builds carry no debug sections; lintian refuses unstripped programs.
set(CPACK_STRIP_FILES ON)

set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_COMPONENTS_ALL main sim)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_RELEASE ${ORVELLE_DEB_RELEASE})
set(CPACK_DEBIAN_PACKAGE_SOURCE orvelle-pc-tool)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
# Library dependencies as dpkg-shlibdeps finds them in the programs.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)

set(CPACK_DEBIAN_MAIN_PACKAGE_NAME orvelle-pc-tool)
set(CPACK_DEBIAN_MAIN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_MAIN_DESCRIPTION "desktop companion of the ORVELLE dive computer
Uploads the dives stored in the ORVELLE wrist-worn dive computer (scuba,
freedive, gauge) over its USB serial link to the ORVELLE cloud service,
browses the log book by month and day with scuba and freedive totals, shows
a dive's values, map and depth profile, keeps dive-site lists and writes them
to the dive computer, and updates its firmware and dive-site database, in
English or Traditional Chinese.

Also contains orvelle-cli, the same logic for the terminal and scripts, and a
udev rule giving the signed-in user access to the dive computer.")

set(CPACK_DEBIAN_SIM_PACKAGE_NAME orvelle-pc-tool-sim)
set(CPACK_DEBIAN_SIM_PACKAGE_SECTION devel)
set(CPACK_DEBIAN_SIM_DESCRIPTION "simulated ORVELLE dive computer and cloud service
Stand-ins for testing and demonstrating the ORVELLE PC TOOL without the
hardware or the internet: orvelle-devsim answers the dive computer's serial
protocol on a pseudo-terminal, orvelle-cloudsim serves the cloud service's
endpoints over HTTPS on loopback with a seeded demo account.")

include(CPack)

# A Debian package of the installed files: `cpack -G DEB` in a build folder.
# The libraries the binary links come from dpkg-shlibdeps; what it only loads
# at run time (a Secret Service for the tokens, Qt's extra platform plugins,
# the brand typefaces) is declared here.
set(CPACK_PACKAGE_NAME vesk)
set(CPACK_PACKAGE_VENDOR Orvendo)
set(CPACK_PACKAGE_CONTACT "Orvendo <vesk@orvendo.app>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Native mail client for Gmail accounts")
set(CPACK_PACKAGE_DESCRIPTION
    "VESK links one or more Gmail accounts and reads, searches, labels, writes\n\
and answers their mail in one window, with desktop notifications for new mail\n\
and attachments saved with visible progress. It talks only to Google.")
set(CPACK_PACKAGE_HOMEPAGE_URL https://orvendo.app/vesk)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION mail)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "gnome-keyring | keepassxc | libkf5wallet-bin")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "qt6-qpa-plugins, qt6-wayland, fonts-inter, fonts-sora")
include(CPack)

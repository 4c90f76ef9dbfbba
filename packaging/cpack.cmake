# The Debian package (scripts/package): the installed tree under /usr, with the dependencies that
# dpkg-shlibdeps reads from the program's libraries.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME postfalke)
set(CPACK_PACKAGE_VENDOR "The Postfalke developers")
set(CPACK_PACKAGE_CONTACT "The Postfalke developers <postfalke@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "tray program that reports new mail in IMAP mailboxes")
set(CPACK_PACKAGE_DESCRIPTION [=[Postfalke sits in the system tray and checks IMAP mailboxes one after another at a set interval. When mail has arrived it shows a notification window, a notification at the tray icon and plays a sound, as chosen. Its user interface is German.

Postfalke sitzt im System-Tray und fragt IMAP-Postfächer in einem einstellbaren Abstand nacheinander ab. Sind E-Mails eingetroffen, zeigt es ein Benachrichtigungsfenster, eine Meldung am Tray-Symbol und spielt einen Ton, ganz nach Wahl.]=])
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_INSTALL_PREFIX /usr)
# The desktop entry names the launcher under the package's prefix, not under the staging folder.
set(CPACK_SET_DESTDIR ON)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION mail)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_COMPRESSION_TYPE gzip)
include(CPack)

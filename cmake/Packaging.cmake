# Installing the command line (cmake --install) and a Debian package of it (cpack), so that it
# can be put on a machine with the system's package tool.
include(GNUInstallDirs)
install(TARGETS veilmark RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES ${PROJECT_SOURCE_DIR}/docs/veilmark.1 DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES ${PROJECT_SOURCE_DIR}/README.md DESTINATION ${CMAKE_INSTALL_DOCDIR})

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME veilmark)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "Veilmark developers <veilmark@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "finds and protects Korean personal information in PDF files")
set(CPACK_PACKAGE_DESCRIPTION
    "veilmark scans PDF files for Korean personal information (telephone, resident and foreign\n"
    "registration, card and account numbers, e-mail and IP addresses, birth dates, addresses)\n"
    "and writes protected copies with the characters removed and checked.")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
# The shared libraries it links (Tesseract among them) come from dpkg-shlibdeps; pdftotext is
# what the check compares with, and OCR reads scanned pages with Tesseract's Korean and English data.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "poppler-utils, tesseract-ocr-kor, tesseract-ocr-eng")
set(CPACK_STRIP_FILES ON)
include(CPack)

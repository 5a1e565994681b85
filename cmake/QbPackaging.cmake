# Debian packages from the install components (cpack in the build tree):
#
#   libqbxmllib5-dev   headers, the static library (or the shared library's
#                      link), CMake package files with qbxsd_generate(), and
#                      the pkg-config file
#   libqbxmllib5-5     the shared library (only when BUILD_SHARED_LIBS is on)
#   qbxmllib5-tools    qbxml and qbxsd with their manual pages
#
# The tools' and the shared library's run-time dependencies are computed by
# dpkg-shlibdeps (package dpkg-dev). The -dev package names the -dev packages
# its CMake and pkg-config files look for, and the tools, because the
# exported CMake targets include qbxsd.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME qbxmllib5)
set(CPACK_PACKAGE_VENDOR "QbXmlLib5")
set(CPACK_PACKAGE_CONTACT "QbXmlLib5 maintainers <maintainers@qbxmllib5.invalid>")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_RELEASE 1)
set(CPACK_DEBIAN_PACKAGE_SECTION libdevel)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS_PRIVATE_DIRS ${PROJECT_BINARY_DIR})
set(CPACK_PACKAGE_FILE_NAME qbxmllib5)

set(_qb_deb_version "${PROJECT_VERSION}-${CPACK_DEBIAN_PACKAGE_RELEASE}")
set(_qb_lib_package libqbxmllib5-${PROJECT_VERSION_MAJOR})

set(CPACK_DEBIAN_DEV_PACKAGE_NAME libqbxmllib5-dev)
set(CPACK_DEBIAN_DEV_PACKAGE_SECTION libdevel)
set(CPACK_DEBIAN_DEV_PACKAGE_SHLIBDEPS OFF)
set(CPACK_DEBIAN_DEV_PACKAGE_DEPENDS
  "libexpat1-dev, zlib1g-dev, libpcre2-dev, pkg-config, qbxmllib5-tools (= ${_qb_deb_version})")
# Descriptions: the first line is the synopsis (CPack adds no package-wide
# summary in front, as CPACK_PACKAGE_DESCRIPTION_SUMMARY is left unset).
set(CPACK_DEBIAN_DEV_DESCRIPTION
  "XML data-binding toolkit for C++17 - development files
QbXmlLib5 writes and reads C++ object trees as XML text or Fast Infoset
(ITU-T X.891) and binds them to XML Schema types through classes that the
schema compiler qbxsd generates.

This package holds the headers, the library, the CMake package files with
the qbxsd_generate() function, and the pkg-config file.")

set(CPACK_DEBIAN_TOOLS_PACKAGE_NAME qbxmllib5-tools)
set(CPACK_DEBIAN_TOOLS_PACKAGE_SECTION text)
set(CPACK_DEBIAN_TOOLS_DESCRIPTION
  "XML data-binding toolkit for C++17 - command-line tools
qbxsd compiles XML Schemas into C++ classes for QbXmlLib5; qbxml converts
documents between XML text and Fast Infoset and reports their sizes.")

set(CPACK_COMPONENTS_ALL dev tools)
if(BUILD_SHARED_LIBS)
  list(APPEND CPACK_COMPONENTS_ALL runtime)
  set(CPACK_DEBIAN_RUNTIME_PACKAGE_NAME ${_qb_lib_package})
  set(CPACK_DEBIAN_RUNTIME_PACKAGE_SECTION libs)
  set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS ON)
  set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS_POLICY ">=")
  # The dynamic linker's cache is refreshed through dpkg's ldconfig trigger.
  set(CPACK_DEBIAN_RUNTIME_PACKAGE_CONTROL_EXTRA ${PROJECT_SOURCE_DIR}/cmake/debian/triggers)
  set(CPACK_DEBIAN_RUNTIME_DESCRIPTION
    "XML data-binding toolkit for C++17 - shared library
The run-time library of QbXmlLib5: XML text and Fast Infoset reading and
writing, XSD value types and the data binding of generated classes.")
  string(APPEND CPACK_DEBIAN_DEV_PACKAGE_DEPENDS ", ${_qb_lib_package} (= ${_qb_deb_version})")
  set(CPACK_DEBIAN_TOOLS_PACKAGE_DEPENDS "${_qb_lib_package} (= ${_qb_deb_version})")
endif()

include(CPack)

# Debian packages, one per install component, built by CPack (scripts/package):
#   Runtime     -> libkvp510      the shared library with both entries
#   Development -> libkvp510-dev  headers, the CMake package, the host-services interface
#   Host        -> kvp-host       the reference host with its sample shop
# Versions come from the project's; dependencies on shared libraries from dpkg-shlibdeps.
# Only what no linker sees (plugins, fonts, the development package's own) is listed.
include(GNUInstallDirs)

set(KVP_PACKAGE_MAINTAINER "Kvp510 maintainers <kvp510@example.org>" CACHE STRING
  "Maintainer field of the Debian packages")

find_program(KVP_GZIP gzip REQUIRED)

# Everything the packages hold, built without the tests and benchmarks (scripts/package).
add_custom_target(kvp_packaged)
add_dependencies(kvp_packaged kvp510)
if(KVP_BUILD_UI)
  add_dependencies(kvp_packaged kvp_host)
endif()

# kvp_install_gzipped(FILE DESTINATION COMPONENT): installs FILE compressed as Debian wants
# documentation (gzip -9n: neither name nor time stamp, so the package is reproducible).
function(kvp_install_gzipped file destination component)
  get_filename_component(name ${file} NAME)
  set(dir ${CMAKE_CURRENT_BINARY_DIR}/gzipped/${component})
  add_custom_command(OUTPUT ${dir}/${name}.gz
    COMMAND ${CMAKE_COMMAND} -E make_directory ${dir}
    COMMAND ${CMAKE_COMMAND} -E copy ${file} ${dir}/${name}
    COMMAND ${KVP_GZIP} -9nf ${dir}/${name}
    DEPENDS ${file} VERBATIM)
  string(MAKE_C_IDENTIFIER "kvp_gzip_${component}_${name}" target)
  add_custom_target(${target} ALL DEPENDS ${dir}/${name}.gz)
  add_dependencies(kvp_packaged ${target})
  install(FILES ${dir}/${name}.gz DESTINATION ${destination} COMPONENT ${component})
endfunction()

set(kvp_packages libkvp510 libkvp510-dev)
set(kvp_package_components Runtime Development)
if(KVP_BUILD_UI)
  list(APPEND kvp_packages kvp-host)
  list(APPEND kvp_package_components Host)
endif()

# Every package carries its copyright and changelog; lintian overrides where one exists.
string(TIMESTAMP KVP_PACKAGE_DATE "%a, %d %b %Y %H:%M:%S +0000" UTC)
configure_file(${PROJECT_SOURCE_DIR}/pkg/debian/changelog.in ${PROJECT_BINARY_DIR}/debian/changelog @ONLY)
foreach(package component IN ZIP_LISTS kvp_packages kvp_package_components)
  set(doc ${CMAKE_INSTALL_DATADIR}/doc/${package})
  install(FILES ${PROJECT_SOURCE_DIR}/pkg/debian/copyright DESTINATION ${doc} COMPONENT ${component})
  kvp_install_gzipped(${PROJECT_BINARY_DIR}/debian/changelog ${doc} ${component})
  set(overrides ${PROJECT_SOURCE_DIR}/pkg/debian/${package}.lintian-overrides)
  if(EXISTS ${overrides})
    install(FILES ${overrides} DESTINATION ${CMAKE_INSTALL_DATADIR}/lintian/overrides
      RENAME ${package} COMPONENT ${component})
  endif()
endforeach()

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME kvp510)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT ${KVP_PACKAGE_MAINTAINER})
# Each package's description starts with its own synopsis; CPack would put the project's
# in front of all three.
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_COMPONENTS_ALL ${kvp_package_components})
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_ENABLE_COMPONENT_DEPENDS ON)
set(CPACK_COMPONENT_DEVELOPMENT_DEPENDS Runtime)

set(CPACK_DEBIAN_RUNTIME_PACKAGE_NAME libkvp510)
set(CPACK_DEBIAN_RUNTIME_PACKAGE_SECTION libs)
# A shlibs file, so that what links the library depends on this package; only the library
# package has a shared object to describe.
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS ON)
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS_POLICY ">=")
# dpkg's ldconfig trigger (CPack's own postinst and postrm also call ldconfig: see the
# package's lintian overrides).
set(CPACK_DEBIAN_RUNTIME_PACKAGE_CONTROL_EXTRA ${PROJECT_SOURCE_DIR}/pkg/debian/triggers)
# The shop's database is reached through one of Qt's SQL drivers, loaded at run time.
set(CPACK_DEBIAN_RUNTIME_PACKAGE_RECOMMENDS "libqt6sql6-odbc | libqt6sql6-psql | libqt6sql6-sqlite")
set(CPACK_DEBIAN_RUNTIME_DESCRIPTION "combined-promotion screens of a restaurant point of sale
When an operator sells a combo, the point-of-sale host calls this module:
a modal touch screen lets the operator choose the combo's components group
by group, the module enforces the promotion's rules, prices the components
and hands the item lines back to the host.
.
This package holds the shared library with both entries.")

set(CPACK_DEBIAN_DEVELOPMENT_PACKAGE_NAME libkvp510-dev)
set(CPACK_DEBIAN_DEVELOPMENT_PACKAGE_SECTION libdevel)
# The headers include Qt's, and the CMake package finds Qt6 Core.
set(CPACK_DEBIAN_DEVELOPMENT_PACKAGE_DEPENDS "qt6-base-dev")
set(CPACK_DEBIAN_DEVELOPMENT_DESCRIPTION "combined-promotion screens of a point of sale - development files
Headers, the CMake package (find_package(Kvp510)) and the host-services
interface a point-of-sale host implements to embed the combined-promotion
module.")

set(CPACK_DEBIAN_HOST_PACKAGE_NAME kvp-host)
set(CPACK_DEBIAN_HOST_PACKAGE_SECTION misc)
# Loaded at run time, so no linker finds them: the sample shop's SQLite driver, the
# platform plugins a till without X needs (linuxfb, eglfs; xcb and offscreen come with
# libqt6gui6), and the font the screens and pictures are drawn with.
set(CPACK_DEBIAN_HOST_PACKAGE_DEPENDS "libqt6sql6-sqlite, qt6-qpa-plugins, fonts-dejavu-core")
set(CPACK_DEBIAN_HOST_DESCRIPTION "reference point of sale for the combined-promotion module
Sells the combos of a sample shop through the combined-promotion module:
a sale window where a display exists, or a headless replay of a scripted
sale that prints what the module handed back.")

include(CPack)

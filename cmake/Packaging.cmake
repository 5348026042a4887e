# Installing and packaging: the shared library with its host headers, a CMake package and
# a pkg-config file for hosts built elsewhere, the tools with the simulator's data, and a
# Debian package of all of it (cpack -G DEB).
include(GNUInstallDirs)
include(CMakePackageConfigHelpers)

set_target_properties(OnvifClient PROPERTIES VERSION ${PROJECT_VERSION} SOVERSION ${PROJECT_VERSION_MAJOR})
install(TARGETS OnvifClient LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR} NAMELINK_COMPONENT Runtime)

# The headers a host needs: the component interfaces, the exports, the platform types they
# name, and the native frame layout the media arrives in.
set(ONVIF_INSTALL_INCLUDEDIR ${CMAKE_INSTALL_INCLUDEDIR}/OnvifClient)
file(GLOB ONVIF_INTERFACE_HEADERS ${CMAKE_SOURCE_DIR}/Src/Interfaces/*.h)
install(FILES ${ONVIF_INTERFACE_HEADERS} ${CMAKE_SOURCE_DIR}/Src/Onvif/Src/OnvifExports.h
  DESTINATION ${ONVIF_INSTALL_INCLUDEDIR})
foreach(header Component/ClientContext.h Component/FactoryRegistry.h Component/ServerInfo.h Component/Unknown.h
               Component/Version.h Infra/LastError.h Stream/Media/MediaFrame.h)
  get_filename_component(subdir ${header} DIRECTORY)
  install(FILES ${CMAKE_SOURCE_DIR}/Src/Platform/${header} DESTINATION ${ONVIF_INSTALL_INCLUDEDIR}/${subdir})
endforeach()
install(FILES ${CMAKE_SOURCE_DIR}/Src/Packaging/NativeFrame.h DESTINATION ${ONVIF_INSTALL_INCLUDEDIR}/Packaging)

# find_package(OnvifClient): an imported target, relocatable with the install prefix.
set(ONVIF_INSTALL_LIBDIR ${CMAKE_INSTALL_LIBDIR})
set(ONVIF_LIBRARY_FILE ${CMAKE_SHARED_LIBRARY_PREFIX}OnvifClient${CMAKE_SHARED_LIBRARY_SUFFIX}.${PROJECT_VERSION})
set(ONVIF_LIBRARY_SONAME ${CMAKE_SHARED_LIBRARY_PREFIX}OnvifClient${CMAKE_SHARED_LIBRARY_SUFFIX}.${PROJECT_VERSION_MAJOR})
set(ONVIF_CMAKE_DIR ${CMAKE_INSTALL_LIBDIR}/cmake/OnvifClient)
configure_package_config_file(${CMAKE_SOURCE_DIR}/cmake/OnvifClientConfig.cmake.in
  ${CMAKE_BINARY_DIR}/OnvifClientConfig.cmake
  INSTALL_DESTINATION ${ONVIF_CMAKE_DIR}
  PATH_VARS ONVIF_INSTALL_LIBDIR ONVIF_INSTALL_INCLUDEDIR)
write_basic_package_version_file(${CMAKE_BINARY_DIR}/OnvifClientConfigVersion.cmake
  VERSION ${PROJECT_VERSION} COMPATIBILITY SameMajorVersion)
install(FILES ${CMAKE_BINARY_DIR}/OnvifClientConfig.cmake ${CMAKE_BINARY_DIR}/OnvifClientConfigVersion.cmake
  DESTINATION ${ONVIF_CMAKE_DIR})

# pkg-config: the prefix is found from where the .pc file lies, so a staged install works too.
set(ONVIF_PC_PREFIX "\${pcfiledir}/..")
string(REPLACE "/" ";" libdir_parts "${CMAKE_INSTALL_LIBDIR}")
foreach(part ${libdir_parts})
  string(APPEND ONVIF_PC_PREFIX "/..")
endforeach()
configure_file(${CMAKE_SOURCE_DIR}/cmake/onvifclient.pc.in ${CMAKE_BINARY_DIR}/onvifclient.pc @ONLY)
install(FILES ${CMAKE_BINARY_DIR}/onvifclient.pc DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig)

# The tools find the library beside them, and the simulator its descriptions and clips.
foreach(tool onvif-cli onvif-sim onvif-capture)
  if(TARGET ${tool})
    set_target_properties(${tool} PROPERTIES INSTALL_RPATH "\$ORIGIN/../${CMAKE_INSTALL_LIBDIR}")
    install(TARGETS ${tool} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  endif()
endforeach()
if(TARGET OnvifSim)
  install(DIRECTORY ${CMAKE_SOURCE_DIR}/Sim/devices ${CMAKE_SOURCE_DIR}/Sim/media
    DESTINATION ${CMAKE_INSTALL_DATADIR}/onvif-client)
endif()

set(CPACK_PACKAGE_NAME onvif-client)
set(CPACK_PACKAGE_VENDOR "OnvifClient developers")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "ONVIF client library for network video recorders, with onvif-cli and onvif-sim")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "OnvifClient developers <onvif-client@localhost>")
set(CPACK_DEBIAN_PACKAGE_SECTION libs)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_COMPRESSION_TYPE gzip)
set(CPACK_STRIP_FILES TRUE)
# Dependencies from the libraries the binaries really link (dpkg-shlibdeps), plus the
# JSON headers the public headers include.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "libjsoncpp-dev")
include(CPack)

# The installed package as a host meets it: staged install, the example host built
# against it by CMake and by pkg-config, run against the installed simulator, and the .deb.
if(ONVIF_BUILD_TESTS AND ONVIF_SANITIZE STREQUAL "" AND TARGET onvif-sim)
  add_test(NAME InstalledPackage.ExampleHostLogsInToTheSimulator
    COMMAND ${CMAKE_SOURCE_DIR}/scripts/package-check.sh ${CMAKE_BINARY_DIR})
  set_tests_properties(InstalledPackage.ExampleHostLogsInToTheSimulator PROPERTIES TIMEOUT 600 RUN_SERIAL TRUE)
endif()

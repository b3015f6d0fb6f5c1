# Installation: the program and its manual page, and the numerics,
# distributions, threshold and simulation libraries with their headers and a
# CMake package, so that another project can call find_package(lodthresh) and
# link lodthresh::numerics, lodthresh::distributions, lodthresh::threshold and
# lodthresh::simulation. The console library is the program's own and is not
# installed.
if(NOT LODTHRESH_INSTALL)
  return()
endif()

include(GNUInstallDirs)
include(CMakePackageConfigHelpers)

set(LODTHRESH_INSTALL_CMAKEDIR ${CMAKE_INSTALL_LIBDIR}/cmake/lodthresh
    CACHE STRING "Where the CMake package files of lodthresh are installed, below the prefix")
mark_as_advanced(LODTHRESH_INSTALL_CMAKEDIR)

install(TARGETS lodthresh RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES ${PROJECT_SOURCE_DIR}/man/lodthresh.1 DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)

install(TARGETS lodthresh_numerics lodthresh_distributions lodthresh_threshold lodthresh_simulation
  EXPORT lodthreshTargets
  ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR}
  LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR}
  RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR}
  INCLUDES DESTINATION ${CMAKE_INSTALL_INCLUDEDIR})
# The headers keep their directories: consumers write #include "numerics/numerics.h"
# and #include "threshold/threshold.h", as the program's own sources do.
install(FILES ${PROJECT_SOURCE_DIR}/numerics/numerics.h
  DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/numerics)
install(FILES ${PROJECT_SOURCE_DIR}/distributions/f.h
  DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/distributions)
install(FILES ${PROJECT_SOURCE_DIR}/threshold/threshold.h ${PROJECT_SOURCE_DIR}/threshold/exact.h
  ${PROJECT_SOURCE_DIR}/threshold/design.h ${PROJECT_SOURCE_DIR}/threshold/designs.h
  ${PROJECT_SOURCE_DIR}/threshold/pointwise.h ${PROJECT_SOURCE_DIR}/threshold/nu.h
  ${PROJECT_SOURCE_DIR}/threshold/level.h ${PROJECT_SOURCE_DIR}/threshold/units.h
  ${PROJECT_SOURCE_DIR}/threshold/finite_sample.h
  ${PROJECT_SOURCE_DIR}/threshold/genetic_map.h ${PROJECT_SOURCE_DIR}/threshold/interval.h
  ${PROJECT_SOURCE_DIR}/threshold/power.h
  DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/threshold)
install(FILES ${PROJECT_SOURCE_DIR}/simulation/null_scan.h ${PROJECT_SOURCE_DIR}/simulation/scan.h
  ${PROJECT_SOURCE_DIR}/simulation/simulate.h ${PROJECT_SOURCE_DIR}/simulation/maxima.h
  ${PROJECT_SOURCE_DIR}/simulation/estimates.h ${PROJECT_SOURCE_DIR}/simulation/alternative.h
  DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/simulation)

install(EXPORT lodthreshTargets
  NAMESPACE lodthresh::
  FILE lodthreshTargets.cmake
  DESTINATION ${LODTHRESH_INSTALL_CMAKEDIR})
configure_package_config_file(${PROJECT_SOURCE_DIR}/cmake/lodthreshConfig.cmake.in
  ${PROJECT_BINARY_DIR}/lodthreshConfig.cmake
  INSTALL_DESTINATION ${LODTHRESH_INSTALL_CMAKEDIR})
# A new major version may change the libraries' interfaces; within one major
# version a later release serves a project that asks for an earlier one. The
# static libraries are built for one architecture, so the pointer size must match.
write_basic_package_version_file(${PROJECT_BINARY_DIR}/lodthreshConfigVersion.cmake
  VERSION ${PROJECT_VERSION}
  COMPATIBILITY SameMajorVersion)
install(FILES
  ${PROJECT_BINARY_DIR}/lodthreshConfig.cmake
  ${PROJECT_BINARY_DIR}/lodthreshConfigVersion.cmake
  DESTINATION ${LODTHRESH_INSTALL_CMAKEDIR})

# Install rules for the shared library of this build, included by src/CMakeLists.txt once the
# library target (AXBRIDGE_LIBRARY) exists.
#
# The real flavour (libaxbridge) installs on every platform: the library, axbridge.h, the CMake
# package axbridge (target axbridge::axbridge) and the pkg-config file axbridge.pc. The simulated
# flavour is for hosts' own tests and installs only on request (AXBRIDGE_INSTALL_SIM=ON), as
# libaxbridge-sim with axbridge.h and sim.h, the package axbridge-sim (target
# axbridge::axbridge-sim) and axbridge-sim.pc. Both install the licence in the documentation
# directory (share/doc/axbridge): as LICENSE, or under /usr as Debian's copyright file.
include(GNUInstallDirs)
include(CMakePackageConfigHelpers)

option(AXBRIDGE_INSTALL_SIM "Install the simulated flavour (libaxbridge-sim) as axbridge-sim" OFF)

set(_package "${AXBRIDGE_LIBRARY}")
set(_headers "${PROJECT_SOURCE_DIR}/include/axbridge/axbridge.h")
if(_package STREQUAL "axbridge-sim")
  if(NOT AXBRIDGE_INSTALL_SIM)
    install(CODE "message(STATUS \"Nothing installed: this is the simulated flavour \"
      \"(libaxbridge-sim), which installs only when configured with -DAXBRIDGE_INSTALL_SIM=ON; \"
      \"the real library is built with -DAXBRIDGE_PLATFORM=linux (or on macOS)\")")
    return()
  endif()
  list(APPEND _headers "${PROJECT_SOURCE_DIR}/include/axbridge/sim.h")
  set(_description "axbridge on a simulated desktop, for testing hosts (the axsim_ API)")
else()
  set(_description "Follows the frontmost application through the accessibility interface")
endif()

set(_package_dir "${CMAKE_INSTALL_LIBDIR}/cmake/${_package}")
install(TARGETS ${AXBRIDGE_LIBRARY} EXPORT ${_package}Targets
  LIBRARY DESTINATION "${CMAKE_INSTALL_LIBDIR}"
  ARCHIVE DESTINATION "${CMAKE_INSTALL_LIBDIR}"
  RUNTIME DESTINATION "${CMAKE_INSTALL_BINDIR}"
  INCLUDES DESTINATION "${CMAKE_INSTALL_INCLUDEDIR}")
install(FILES ${_headers} DESTINATION "${CMAKE_INSTALL_INCLUDEDIR}/axbridge")
install(EXPORT ${_package}Targets NAMESPACE axbridge:: DESTINATION "${_package_dir}")

file(WRITE "${CMAKE_CURRENT_BINARY_DIR}/${_package}Config.cmake.in"
  "@PACKAGE_INIT@\n"
  "include(\"\${CMAKE_CURRENT_LIST_DIR}/${_package}Targets.cmake\")\n"
  "check_required_components(${_package})\n")
configure_package_config_file("${CMAKE_CURRENT_BINARY_DIR}/${_package}Config.cmake.in"
  "${CMAKE_CURRENT_BINARY_DIR}/${_package}Config.cmake"
  INSTALL_DESTINATION "${_package_dir}")
write_basic_package_version_file("${CMAKE_CURRENT_BINARY_DIR}/${_package}ConfigVersion.cmake"
  VERSION "${PROJECT_VERSION}" COMPATIBILITY SameMajorVersion)
install(FILES "${CMAKE_CURRENT_BINARY_DIR}/${_package}Config.cmake"
  "${CMAKE_CURRENT_BINARY_DIR}/${_package}ConfigVersion.cmake"
  DESTINATION "${_package_dir}")

# pkg-config. Installed under /usr (a distribution's package), the file says prefix=/usr as
# Debian's own do; anywhere else its paths are relative to the .pc file, so that the tree can be
# installed under any prefix (cmake --install --prefix) and moved. The prefix is known only when
# installing, so both forms are written now and one is installed then.
set(_pc_dir "${CMAKE_INSTALL_LIBDIR}/pkgconfig")
if(IS_ABSOLUTE "${CMAKE_INSTALL_LIBDIR}" OR IS_ABSOLUTE "${CMAKE_INSTALL_INCLUDEDIR}")
  set(_pc_relocatable_prefix "${CMAKE_INSTALL_PREFIX}")
  set(_pc_libdir "${CMAKE_INSTALL_FULL_LIBDIR}")
  set(_pc_includedir "${CMAKE_INSTALL_FULL_INCLUDEDIR}")
else()
  file(RELATIVE_PATH _pc_up "/${_pc_dir}" "/")
  string(REGEX REPLACE "/$" "" _pc_up "${_pc_up}")
  set(_pc_relocatable_prefix "\${pcfiledir}/${_pc_up}")
  set(_pc_libdir "\${prefix}/${CMAKE_INSTALL_LIBDIR}")
  set(_pc_includedir "\${prefix}/${CMAKE_INSTALL_INCLUDEDIR}")
  if(CMAKE_INSTALL_LIBDIR MATCHES "/")
    # pkg-config --define-prefix takes the prefix to be two folders above the .pc file, one too
    # few for a multiarch libdir (lib/<triplet>): the paths start from the file's own folder
    # instead, right with the option and without it.
    set(_pc_libdir "\${pcfiledir}/..")
    set(_pc_includedir "\${pcfiledir}/${_pc_up}/${CMAKE_INSTALL_INCLUDEDIR}")
  endif()
endif()
foreach(_pc_form relocatable usr)
  if(_pc_form STREQUAL "usr")
    set(_pc_prefix "/usr")
  else()
    set(_pc_prefix "${_pc_relocatable_prefix}")
  endif()
  file(WRITE "${CMAKE_CURRENT_BINARY_DIR}/pkgconfig-${_pc_form}/${_package}.pc"
    "prefix=${_pc_prefix}\n"
    "libdir=${_pc_libdir}\n"
    "includedir=${_pc_includedir}\n"
    "\n"
    "Name: ${_package}\n"
    "Description: ${_description}\n"
    "Version: ${PROJECT_VERSION}\n"
    "Libs: -L\${libdir} -l${_package}\n"
    "Cflags: -I\${includedir}\n")
endforeach()
# Debian's copyright file, in its machine-readable format, made from LICENSE (MIT is "Expat"
# there): each line of the terms indented by one space, an empty one written as " .".
file(READ "${PROJECT_SOURCE_DIR}/LICENSE" _license)
string(REGEX MATCH "Copyright \\(c\\) ([^\n]*)" _ "${_license}")
set(_holder "${CMAKE_MATCH_1}")
string(REGEX REPLACE "^.*Copyright \\(c\\) [^\n]*\n" "" _terms "${_license}")
string(STRIP "${_terms}" _terms)
string(REGEX REPLACE "\n\n+" "\n.\n" _terms "${_terms}")
string(REPLACE "\n" "\n " _terms "${_terms}")
file(WRITE "${CMAKE_CURRENT_BINARY_DIR}/copyright"
  "Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/\n"
  "Upstream-Name: axbridge\n"
  "\n"
  "Files: *\n"
  "Copyright: ${_holder}\n"
  "License: Expat\n"
  " ${_terms}\n")

foreach(_dir _pc_dir CMAKE_INSTALL_DOCDIR)
  if(IS_ABSOLUTE "${${_dir}}")
    set(${_dir}_destination "${${_dir}}")
  else()
    set(${_dir}_destination "\${CMAKE_INSTALL_PREFIX}/${${_dir}}")
  endif()
endforeach()
install(CODE "
  set(_pc_form relocatable)
  set(_license \"${PROJECT_SOURCE_DIR}/LICENSE\")
  if(CMAKE_INSTALL_PREFIX MATCHES \"^/usr/?$\")
    set(_pc_form usr)
    set(_license \"${CMAKE_CURRENT_BINARY_DIR}/copyright\")
  endif()
  file(INSTALL \"${CMAKE_CURRENT_BINARY_DIR}/pkgconfig-\${_pc_form}/${_package}.pc\"
    DESTINATION \"${_pc_dir_destination}\")
  file(INSTALL \"\${_license}\" DESTINATION \"${CMAKE_INSTALL_DOCDIR_destination}\")")

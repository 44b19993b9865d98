# Builds the .deb from the build tree, unpacks it into a scratch root with dpkg -x, and runs the
# installed gpsroute on the installed data, as a user of the package would.
#   cmake -DBUILD_DIR=... -DWORK_DIR=... -DCPACK=... -P package.cmake
file(REMOVE_RECURSE ${WORK_DIR})
execute_process(COMMAND ${CPACK} -G DEB -B ${WORK_DIR}/pkg WORKING_DIRECTORY ${BUILD_DIR}
                RESULT_VARIABLE rc OUTPUT_VARIABLE log ERROR_VARIABLE log)
file(GLOB debs ${WORK_DIR}/pkg/*.deb)
if(NOT rc EQUAL 0 OR NOT debs)
    message(FATAL_ERROR "cpack failed:\n${log}")
endif()
list(GET debs 0 deb)
execute_process(COMMAND dpkg-deb -f ${deb} Package Depends OUTPUT_VARIABLE fields)
message(STATUS "${deb}\n${fields}")
execute_process(COMMAND dpkg -x ${deb} ${WORK_DIR}/root RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
    message(FATAL_ERROR "dpkg -x failed")
endif()
foreach(path usr/bin/gps usr/bin/gpsroute usr/share/gps/data/villes.csv usr/share/gps/data/temps.csv
        usr/share/applications/gps.desktop usr/share/icons/hicolor/scalable/apps/gps.svg)
    if(NOT EXISTS ${WORK_DIR}/root/${path})
        message(FATAL_ERROR "the package lacks ${path}")
    endif()
endforeach()
# No --data: the installed program must find its installed network by itself.
execute_process(COMMAND ${WORK_DIR}/root/usr/bin/gpsroute route Paris Lyon
                RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
if(NOT rc EQUAL 0 OR NOT out MATCHES "^Paris\t0\n.*Lyon\t[0-9]+\nTotal\t[0-9]+\n$")
    message(FATAL_ERROR "installed gpsroute: exit ${rc}\n${out}${err}")
endif()
message(STATUS "installed gpsroute:\n${out}")

# cmake -DZIP=... -DOUT=... -DFOLDER=... -P unpack_release.cmake
# Unpacks the release zip into an empty OUT and checks that it holds exactly
# one folder, FOLDER, with the program, its configuration, the configuration
# tool and the README: what a user unpacks beside an older release.
file(REMOVE_RECURSE ${OUT})
file(MAKE_DIRECTORY ${OUT})
file(ARCHIVE_EXTRACT INPUT ${ZIP} DESTINATION ${OUT})
file(GLOB top RELATIVE ${OUT} ${OUT}/*)
if(NOT top STREQUAL FOLDER)
    message(FATAL_ERROR "${ZIP} holds '${top}' at its top, not the one folder '${FOLDER}'")
endif()
file(GLOB inside RELATIVE ${OUT}/${FOLDER} ${OUT}/${FOLDER}/*)
list(SORT inside)
if(NOT inside STREQUAL "README.md;tarnwick.exe;tnk.cfg;tnkcfg.exe")
    message(FATAL_ERROR "${FOLDER} in ${ZIP} holds '${inside}'")
endif()
message(STATUS "${ZIP}: ${FOLDER}/ with ${inside}")

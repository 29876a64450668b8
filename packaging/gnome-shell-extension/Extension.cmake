# Quorvel's GNOME Shell extension in its two forms: quorvel@quorvel.org for Shell 43 and 44
# (legacy imports), and the one for Shell 45 and later (ES modules) built into
# ${QUORVEL_GNOME_EXTENSION_45}: shell-45's extension.js and metadata.json with the 43 version's
# service.js and shell.js turned into modules.
#
# The Shell loads one extension per uuid, from the first data folder that has it, and marks an
# extension whose shell-version lacks its own version out of date (see README.md), so the
# package installs one form: QUORVEL_GNOME_SHELL_EXTENSION, "43" or "45", by default the one of
# the Shell on the building machine (a package is built for one release of its distribution),
# else "43", Debian 12's.
set(extension_source ${CMAKE_CURRENT_LIST_DIR})
set(QUORVEL_GNOME_EXTENSION_43 ${extension_source}/quorvel@quorvel.org)
set(QUORVEL_GNOME_EXTENSION_45 ${CMAKE_BINARY_DIR}/gnome-shell-extension-45/quorvel@quorvel.org)

set(extension_45_files "")
foreach(name extension.js metadata.json)
    set(target ${QUORVEL_GNOME_EXTENSION_45}/${name})
    add_custom_command(OUTPUT ${target}
        COMMAND ${CMAKE_COMMAND} -E copy ${extension_source}/shell-45/${name} ${target}
        DEPENDS ${extension_source}/shell-45/${name})
    list(APPEND extension_45_files ${target})
endforeach()
foreach(name service.js shell.js)
    set(target ${QUORVEL_GNOME_EXTENSION_45}/${name})
    add_custom_command(OUTPUT ${target}
        COMMAND ${CMAKE_COMMAND} -DSOURCE=${QUORVEL_GNOME_EXTENSION_43}/${name} -DTARGET=${target}
                -P ${extension_source}/ToModule.cmake
        DEPENDS ${QUORVEL_GNOME_EXTENSION_43}/${name} ${extension_source}/ToModule.cmake)
    list(APPEND extension_45_files ${target})
endforeach()
add_custom_target(gnome_extension_45 ALL DEPENDS ${extension_45_files})

if(NOT QUORVEL_GNOME_SHELL_EXTENSION)
    set(shell_form 43)
    execute_process(COMMAND gnome-shell --version OUTPUT_VARIABLE shell_version
        RESULT_VARIABLE shell_found ERROR_QUIET)
    if(shell_found EQUAL 0 AND shell_version MATCHES "GNOME Shell ([0-9]+)"
            AND CMAKE_MATCH_1 GREATER_EQUAL 45)
        set(shell_form 45)
    endif()
    set(QUORVEL_GNOME_SHELL_EXTENSION ${shell_form} CACHE STRING
        "The form of the GNOME Shell extension the package installs: 43 (Shell 43, 44) or 45 (45 on)")
endif()
if(NOT QUORVEL_GNOME_SHELL_EXTENSION MATCHES "^(43|45)$")
    message(FATAL_ERROR "QUORVEL_GNOME_SHELL_EXTENSION is 43 or 45, not ${QUORVEL_GNOME_SHELL_EXTENSION}")
endif()
install(DIRECTORY ${QUORVEL_GNOME_EXTENSION_${QUORVEL_GNOME_SHELL_EXTENSION}}
    DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/gnome-shell/extensions)

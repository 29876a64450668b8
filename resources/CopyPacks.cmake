# Lays the shortcut packs (SOURCE: resources/packs) beside the executable (DESTINATION), as they
# are now: packs added or removed since the last build are too. A missing folder is no packs.
file(REMOVE_RECURSE "${DESTINATION}")
file(MAKE_DIRECTORY "${DESTINATION}")
if(EXISTS "${SOURCE}")
    file(COPY "${SOURCE}/" DESTINATION "${DESTINATION}")
endif()

# Writes a file of the Shell 43 extension as an ES module for Shell 45 and later: the
# `const { A, B } = imports.gi;` line becomes `import A from 'gi://A';` lines and each top-level
# `var NAME =` an `export const NAME =`. Anything else of the legacy imports stops the build.
# Usage: cmake -DSOURCE=legacy.js -DTARGET=module.js -P ToModule.cmake
file(READ ${SOURCE} text)
string(REGEX MATCH "const { ([A-Za-z, ]+) } = imports\\.gi;\n" gi_line "${text}")
if(gi_line)
    string(REPLACE ", " ";" libraries "${CMAKE_MATCH_1}")
    set(gi_imports "")
    foreach(library IN LISTS libraries)
        string(APPEND gi_imports "import ${library} from 'gi://${library}';\n")
    endforeach()
    string(REPLACE "${gi_line}" "${gi_imports}" text "${text}")
endif()
string(REGEX REPLACE "(^|\n)var ([A-Za-z_]+) =" "\\1export const \\2 =" text "${text}")
if(text MATCHES "imports\\.|(^|\n)var ")
    message(FATAL_ERROR "${SOURCE}: legacy imports or exports left that ToModule.cmake cannot convert")
endif()
get_filename_component(name ${SOURCE} NAME)
file(WRITE ${TARGET} "// Made from the Shell 43 version's ${name} by ToModule.cmake.\n${text}")

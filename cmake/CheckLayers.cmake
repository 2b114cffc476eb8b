# cmake -DSOURCE_DIR=<tree> -P CheckLayers.cmake
#
# Checks that every folder reaches only its own layer and the layers below
# it: the #include "..." lines of its sources, and in its CMake lists the
# targets it links (target_link_libraries, a test program's LIBS, object
# libraries taken in with $<TARGET_OBJECTS:...>) and the paths it names
# under ${PROJECT_SOURCE_DIR}. Test folders may also use testsupport, the
# harness every test program shares. Fails with one line per upward
# reference, and on a folder that has no place in the list below.

cmake_minimum_required(VERSION 3.25)

if(NOT SOURCE_DIR)
    message(FATAL_ERROR "Usage: cmake -DSOURCE_DIR=<tree> -P CheckLayers.cmake")
endif()

# The layers, lowest first; a folder is placed by the longest entry that
# starts its path.
set(layers
    simulator/runtime # plain C++ over global records, on nothing else
    drivers
    framework
    foundation
    ui
    testsupport
    standins
    ieclink
    settings
    link
    simulator/app # the simulator program; its tests reach it over the link
    shell # with its link dialogs, tool windows of the main frame
    controller
    project
    editor
    tools
    scope
    drives
    setup
    vorta2 # the development environment's program, on all of the above
    bench
    native)
# Folders without sources of a layer.
set(ignored_folders .git .ci build cmake scripts)

# The layer of a path relative to the tree: its index in the list, and its
# name, or -1 for a path outside every folder.
function(layer_of path out_index out_name)
    set(best -1)
    set(best_name "")
    set(best_length 0)
    set(index 0)
    foreach(layer IN LISTS layers)
        string(LENGTH "${layer}" length)
        if((path STREQUAL layer OR path MATCHES "^${layer}/") AND length GREATER best_length)
            set(best ${index})
            set(best_name ${layer})
            set(best_length ${length})
        endif()
        math(EXPR index "${index} + 1")
    endforeach()
    set(${out_index} ${best} PARENT_SCOPE)
    set(${out_name} "${best_name}" PARENT_SCOPE)
endfunction()

set(violations "")
set(edges "")

# Records a reference from the file `from` (relative) to the path `to`
# (relative): an upward one is a violation.
function(check_reference from to what)
    layer_of("${from}" from_index from_layer)
    layer_of("${to}" to_index to_layer)
    if(to_index LESS 0 OR to_layer STREQUAL from_layer)
        return()
    endif()
    set(edges "${edges};${from_layer} -> ${to_layer}" PARENT_SCOPE)
    if(to_index GREATER from_index)
        # Every test folder may use the tests' shared harness.
        if(to_layer STREQUAL "testsupport" AND from MATCHES "(^|/)tests/")
            return()
        endif()
        list(APPEND violations "${from}: ${what} -> ${to_layer}, above ${from_layer}")
        set(violations "${violations}" PARENT_SCOPE)
    endif()
endfunction()

file(GLOB_RECURSE files RELATIVE ${SOURCE_DIR} LIST_DIRECTORIES false
    ${SOURCE_DIR}/*.h ${SOURCE_DIR}/*.hpp ${SOURCE_DIR}/*.c ${SOURCE_DIR}/*.cpp ${SOURCE_DIR}/*.rc
    ${SOURCE_DIR}/*CMakeLists.txt)

# The targets each folder defines.
foreach(file IN LISTS files)
    string(REGEX MATCH "^[^/]+" folder "${file}")
    if(folder IN_LIST ignored_folders OR NOT file MATCHES "CMakeLists.txt$")
        continue()
    endif()
    file(READ ${SOURCE_DIR}/${file} text)
    string(REGEX MATCHALL "(add_library|add_executable|vexo_add_test)\\([A-Za-z0-9_]+" definitions "${text}")
    foreach(definition IN LISTS definitions)
        string(REGEX REPLACE ".*\\(" "" target "${definition}")
        get_filename_component(directory ${file} DIRECTORY)
        set(target_folder_${target} "${directory}")
    endforeach()
endforeach()

foreach(file IN LISTS files)
    string(REGEX MATCH "^[^/]+" folder "${file}")
    if(folder IN_LIST ignored_folders)
        continue()
    endif()
    layer_of("${file}" file_index file_layer)
    if(file_index LESS 0)
        # Files at the top, and the lists of a folder that only groups
        # layers (simulator/), have no layer.
        get_filename_component(directory ${file} DIRECTORY)
        set(groups FALSE)
        foreach(layer IN LISTS layers)
            if(directory AND layer MATCHES "^${directory}/")
                set(groups TRUE)
            endif()
        endforeach()
        if(directory AND NOT groups)
            list(APPEND violations "${file}: the folder ${folder} has no place in the list of layers")
        endif()
        continue()
    endif()
    get_filename_component(directory ${file} DIRECTORY)
    if(file MATCHES "CMakeLists.txt$")
        file(READ ${SOURCE_DIR}/${file} text)
        string(REGEX REPLACE "#[^\n]*" "" text "${text}")
        # Linked targets.
        string(REGEX MATCHALL "target_link_libraries\\([^)]*\\)|LIBS[ \t\r\n][^)]*" links "${text}")
        foreach(link IN LISTS links)
            string(REGEX REPLACE "(SOURCES|TIMEOUT|LABELS|ARGS|WRAPPER)[ \t\r\n].*" "" link "${link}")
            # The names after the linking target, or after LIBS.
            string(REGEX REPLACE "^(target_link_libraries\\([^ \t\r\n]+|LIBS)(.*)$" "\\2" link "${link}")
            string(REPLACE ")" "" link "${link}")
            string(REGEX REPLACE "[ \t\r\n]+" ";" names "${link}")
            foreach(name IN LISTS names)
                if(DEFINED target_folder_${name})
                    check_reference("${file}" "${target_folder_${name}}" "links ${name}")
                endif()
            endforeach()
        endforeach()
        string(REGEX MATCHALL "\\$<TARGET_OBJECTS:[A-Za-z0-9_]+>" objects "${text}")
        foreach(object IN LISTS objects)
            string(REGEX REPLACE ".*:([A-Za-z0-9_]+)>" "\\1" name "${object}")
            if(DEFINED target_folder_${name})
                check_reference("${file}" "${target_folder_${name}}" "takes in ${name}")
            endif()
        endforeach()
        # Paths of other folders.
        string(REGEX MATCHALL "\\\${(PROJECT|CMAKE)_SOURCE_DIR}/[A-Za-z0-9_./-]+" paths "${text}")
        foreach(path IN LISTS paths)
            string(REGEX REPLACE "^[^/]*/(.*)$" "\\1" path "${path}")
            check_reference("${file}" "${path}" "names ${path}")
        endforeach()
        continue()
    endif()

    file(STRINGS ${SOURCE_DIR}/${file} includes REGEX "^[ \t]*#[ \t]*include[ \t]*\"[^\"]+\"")
    foreach(line IN LISTS includes)
        string(REGEX REPLACE "^[^\"]*\"([^\"]+)\".*" "\\1" included "${line}")
        # Beside the including file first, then from the tree's top.
        cmake_path(SET beside NORMALIZE "${directory}/${included}")
        cmake_path(SET from_top NORMALIZE "${included}")
        string(REGEX MATCH "^[^/]+" top_folder "${from_top}")
        if(EXISTS ${SOURCE_DIR}/${beside})
            set(target "${beside}")
        elseif(from_top MATCHES "^[^.][^/]*/" AND IS_DIRECTORY ${SOURCE_DIR}/${top_folder})
            set(target "${from_top}")
        else()
            continue()
        endif()
        check_reference("${file}" "${target}" "#include \"${included}\"")
    endforeach()
endforeach()

list(REMOVE_DUPLICATES edges)
list(SORT edges)
foreach(edge IN LISTS edges)
    if(edge)
        message(STATUS "${edge}")
    endif()
endforeach()
if(violations)
    list(REMOVE_DUPLICATES violations)
    list(SORT violations)
    foreach(violation IN LISTS violations)
        message(STATUS "${violation}")
    endforeach()
    list(LENGTH violations count)
    message(FATAL_ERROR "${count} references out of order: a folder reaches only its own layer and those below it "
                        "(the list of layers is in ${CMAKE_CURRENT_LIST_FILE})")
endif()
message(STATUS "No references out of order")

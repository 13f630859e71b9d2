# Embeds every file of a folder into the program: one assembler .incbin per file, so that
# megabytes of video cost no compile time, and a generated table that registers them at start-up
# (platform/resources/AssetResources.h says how numbers and names are found). The table is
# constant data: the linker gathers every table's pointer into one section.
#
# zel_embed_assets(<target> DIRECTORY <folder>)
#
# Makes the OBJECT library <target>. Link it with
#     target_link_libraries(<consumer> <scope> $<TARGET_OBJECTS:<target>>)
# (plus add_dependencies) so that its object reaches every executable's link line: nothing
# references the table by name, so an archive member would be dropped. Adding or removing a file re-runs CMake (the glob
# is CONFIGURE_DEPENDS); changing one rebuilds the table's object. A missing or empty folder gives
# an empty table.
function(zel_embed_assets target)
    cmake_parse_arguments(ARG "" "DIRECTORY" "" ${ARGN})
    if(NOT ARG_DIRECTORY)
        message(FATAL_ERROR "zel_embed_assets(${target}): DIRECTORY is required")
    endif()
    file(GLOB_RECURSE files LIST_DIRECTORIES false CONFIGURE_DEPENDS "${ARG_DIRECTORY}/*")
    list(SORT files)
    string(MAKE_C_IDENTIFIER "${target}" prefix)

    set(asm "")
    set(declarations "")
    set(entries "")
    set(count 0)
    set(seen_names "")
    set(seen_numbers "")
    foreach(file IN LISTS files)
        file(RELATIVE_PATH relative "${ARG_DIRECTORY}" "${file}")
        get_filename_component(leaf "${file}" NAME)
        # Hidden files (.gitkeep, editor droppings) are not assets.
        if(leaf MATCHES "^\\." OR relative MATCHES "/\\.")
            continue()
        endif()
        get_filename_component(stem "${file}" NAME_WLE)
        get_filename_component(folder "${relative}" DIRECTORY)
        if(folder STREQUAL "exercise" AND stem MATCHES "^[0-9]+$")
            string(REGEX REPLACE "^0+([0-9])" "\\1" number "${stem}")
            string(LENGTH "${number}" digits)
            if(digits GREATER 5 OR number GREATER 65535)
                message(FATAL_ERROR "asset ${relative}: resource numbers go up to 65535")
            endif()
            if(number IN_LIST seen_numbers)
                message(FATAL_ERROR "asset ${relative}: resource ${number} is embedded twice")
            endif()
            list(APPEND seen_numbers ${number})
            set(name "")
        else()
            if(stem STREQUAL "")
                message(FATAL_ERROR "asset ${relative}: a file needs a name before its extension")
            endif()
            if(stem IN_LIST seen_names)
                message(FATAL_ERROR "asset ${relative}: the name \"${stem}\" is embedded twice")
            endif()
            list(APPEND seen_names "${stem}")
            set(name "${stem}")
            set(number -1)
        endif()

        set(symbol "${prefix}_${count}")
        string(REPLACE "\\" "\\\\" escaped "${file}")
        string(REPLACE "\"" "\\\"" escaped "${escaped}")
        # The path is escaped once for the assembler and once more for the C++ string around it.
        string(REPLACE "\\" "\\\\" escaped "${escaped}")
        string(REPLACE "\"" "\\\"" escaped "${escaped}")
        string(APPEND asm
            "    \".balign 16\\n\"\n"
            "    \"${symbol}:\\n\"\n"
            "    \".incbin \\\"${escaped}\\\"\\n\"\n"
            "    \"${symbol}_end:\\n\"\n")
        string(APPEND declarations
            "extern \"C\" const unsigned char ${symbol}[];\n"
            "extern \"C\" const unsigned char ${symbol}_end[];\n")
        string(REPLACE "\\" "\\\\" c_relative "${relative}")
        string(REPLACE "\"" "\\\"" c_relative "${c_relative}")
        string(REPLACE "\"" "\\\"" c_name "${name}")
        string(APPEND entries
            "    {\"${c_relative}\", \"${c_name}\", ${number}, ${symbol}, ${symbol}_end},\n")
        math(EXPR count "${count} + 1")
    endforeach()

    if(count EQUAL 0)
        set(table "constexpr const platform::EmbeddedAsset* assets = nullptr;\n")
    else()
        set(table "constinit const platform::EmbeddedAsset assets[] = {\n${entries}};\n")
    endif()

    string(REPLACE "\\" "\\\\" c_folder "${ARG_DIRECTORY}")
    string(REPLACE "\"" "\\\"" c_folder "${c_folder}")
    set(source "${CMAKE_CURRENT_BINARY_DIR}/${target}.cpp")
    # Written with file(CONFIGURE) so that the file, and the objects built from it, are only
    # touched when the list of assets changes.
    file(CONFIGURE OUTPUT "${source}" CONTENT
"// The files of ${c_folder}, embedded by cmake/EmbedAssets.cmake. Generated: do not edit.
#include \"platform/resources/AssetResources.h\"

// Windows' object files have no section stack and group sections by the
// part of their name after a dollar sign.
#if defined(_WIN32)
#define ZEL_ASSET_DATA_SECTION \".section .rdata$zel_${prefix},\\\"dr\\\"\\n\"
#define ZEL_ASSET_DATA_END \".text\\n\"
#define ZEL_ASSET_TABLE_SECTION \".rdata$zel_asset_tables_m\"
#else
#define ZEL_ASSET_DATA_SECTION \".pushsection .rodata.${prefix},\\\"a\\\",%progbits\\n\"
#define ZEL_ASSET_DATA_END \".popsection\\n\"
#define ZEL_ASSET_TABLE_SECTION \"zel_asset_tables\"
#endif

__asm__(
    ZEL_ASSET_DATA_SECTION
${asm}    ZEL_ASSET_DATA_END);

${declarations}
namespace {

${table}
constinit const platform::EmbeddedAssetTable table{\"${c_folder}\", assets, ${count}};

// The linker collects these pointers into one array (platform/resources/AssetResources.cpp).
[[gnu::used, gnu::section(ZEL_ASSET_TABLE_SECTION)]]
constinit const platform::EmbeddedAssetTable* const tableEntry = &table;

} // namespace
" @ONLY)

    add_library(${target} OBJECT "${source}")
    target_include_directories(${target} PRIVATE ${CMAKE_SOURCE_DIR})
    # The assembler reads the files; the compiler does not know, so tell the build.
    set_source_files_properties("${source}" PROPERTIES OBJECT_DEPENDS "${files}")
endfunction()

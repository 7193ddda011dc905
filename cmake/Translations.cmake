# ferrywise_embed_translations(<out_var>): compiles resources/po/*.po and generates a C++ source that
# embeds them, so the library needs no installed catalogue files. Call it in the directory whose target
# compiles the generated source.
function(ferrywise_embed_translations out_var)
  file(GLOB po_files CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/resources/po/*.po)
  set(catalogs "")
  set(mo_files "")
  foreach(po IN LISTS po_files)
    get_filename_component(name ${po} NAME_WE)
    set(mo ${CMAKE_CURRENT_BINARY_DIR}/catalogs/${name}.mo)
    add_custom_command(
      OUTPUT ${mo}
      COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_CURRENT_BINARY_DIR}/catalogs
      COMMAND ${MSGFMT} --check --output-file=${mo} ${po}
      DEPENDS ${po}
      COMMENT "Compiling translations ${name}")
    list(APPEND catalogs "${name}=${mo}")
    list(APPEND mo_files ${mo})
  endforeach()
  # ";" would split the command line, so the list travels joined by "|".
  string(REPLACE ";" "|" catalogs "${catalogs}")
  set(source ${CMAKE_CURRENT_BINARY_DIR}/EmbeddedCatalogs.cpp)
  add_custom_command(
    OUTPUT ${source}
    COMMAND ${CMAKE_COMMAND} -DOUTPUT=${source} "-DCATALOGS=${catalogs}"
            -P ${PROJECT_SOURCE_DIR}/cmake/EmbedCatalogs.cmake
    DEPENDS ${mo_files} ${PROJECT_SOURCE_DIR}/cmake/EmbedCatalogs.cmake
    COMMENT "Embedding translations"
    VERBATIM)
  set(${out_var} ${source} PARENT_SCOPE)
endfunction()

# ferrywise_generate_build_info(<out_var>): writes the library's information dictionary (the project's
# version and a build stamp) into a C++ source in the build tree, so BuildInfo reads it like the platform's
# bundle dictionary. The stamp is taken when the build is configured: "<version> (<short commit>, <UTC
# date>)", "no git" when the sources are not a checkout. FERRYWISE_BUILD_STAMP overrides it (packagers
# wanting reproducible builds set it to "unrecorded build", which BuildInfo reports as no stamp).
set(FERRYWISE_BUILD_STAMP "" CACHE STRING "Build stamp to embed; empty records version, commit and date")

function(ferrywise_generate_build_info out_var)
  set(stamp "${FERRYWISE_BUILD_STAMP}")
  if(stamp STREQUAL "")
    set(commit "no git")
    find_package(Git QUIET)
    if(GIT_FOUND)
      execute_process(
        COMMAND ${GIT_EXECUTABLE} rev-parse --short HEAD
        WORKING_DIRECTORY ${PROJECT_SOURCE_DIR}
        OUTPUT_VARIABLE head
        OUTPUT_STRIP_TRAILING_WHITESPACE
        RESULT_VARIABLE git_result
        ERROR_QUIET)
      if(git_result EQUAL 0 AND NOT head STREQUAL "")
        set(commit "${head}")
      endif()
    endif()
    # Honours SOURCE_DATE_EPOCH; empty only when the clock cannot be read.
    string(TIMESTAMP date "%Y-%m-%d" UTC)
    if(date STREQUAL "" OR PROJECT_VERSION STREQUAL "")
      set(stamp "unrecorded build")
    else()
      set(stamp "${PROJECT_VERSION} (${commit}, ${date})")
    endif()
  endif()
  set(FERRYWISE_BUILD_INFO_VERSION "${PROJECT_VERSION}")
  set(FERRYWISE_BUILD_INFO_STAMP "${stamp}")
  set(source ${CMAKE_CURRENT_BINARY_DIR}/BuildInfoDictionary.cpp)
  configure_file(${PROJECT_SOURCE_DIR}/cmake/BuildInfoDictionary.cpp.in ${source} @ONLY)
  set(${out_var} ${source} PARENT_SCOPE)
endfunction()

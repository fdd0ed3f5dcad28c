# Lays out the files of both packages in STAGE and zips them into ZIP, under
# one top folder so that unpacking makes a folder of its own.
file(REMOVE_RECURSE ${STAGE})
file(MAKE_DIRECTORY ${STAGE}/LICENSES)
file(COPY ${FILES} DESTINATION ${STAGE})
file(COPY_FILE ${FONT_LICENSE} ${STAGE}/LICENSES/Vampire95-OFL.txt)
get_filename_component(top ${STAGE} NAME)
get_filename_component(parent ${STAGE} DIRECTORY)
file(REMOVE ${ZIP})
execute_process(COMMAND ${CMAKE_COMMAND} -E tar cf ${ZIP} --format=zip ${top}
                WORKING_DIRECTORY ${parent} RESULT_VARIABLE failed)
if(failed)
  message(FATAL_ERROR "zip failed: ${failed}")
endif()

# Compiles the help pages into one CHM file:
#   cmake -DCHMCMD=<chmcmd> -DICONV=<iconv> -DPAGES=<folder> -DWORK=<scratch folder>
#         -DOUTPUT=<file.chm> -P compile_chm.cmake
# The pages are UTF-8 and say so; the project and the contents file are read by viewers in the
# code page of the help file's language (GBK for Chinese, PRC), so those two are converted.
# The pages end their source lines after Chinese clause punctuation: xchm's HTML view wraps
# only where the source has white space.
file(REMOVE_RECURSE "${WORK}")
file(MAKE_DIRECTORY "${WORK}")
file(GLOB sources "${PAGES}/*")
file(COPY ${sources} DESTINATION "${WORK}")
foreach(name help.hhp toc.hhc)
    execute_process(COMMAND "${ICONV}" -f UTF-8 -t GBK "${PAGES}/${name}"
                    OUTPUT_FILE "${WORK}/${name}" RESULT_VARIABLE status)
    if(NOT status EQUAL 0)
        message(FATAL_ERROR "iconv could not convert ${name} to GBK")
    endif()
endforeach()
execute_process(COMMAND "${CHMCMD}" --no-html-scan help.hhp WORKING_DIRECTORY "${WORK}"
                RESULT_VARIABLE status OUTPUT_VARIABLE log ERROR_VARIABLE log)
if(NOT status EQUAL 0 OR NOT EXISTS "${WORK}/help.chm")
    message(FATAL_ERROR "chmcmd failed:\n${log}")
endif()
file(COPY_FILE "${WORK}/help.chm" "${OUTPUT}")

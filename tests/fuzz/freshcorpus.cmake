# cmake -DSEEDS=<dir> -DWORK=<dir> -DARTIFACTS=<dir> -P freshcorpus.cmake
# Replaces the working corpus with a copy of the committed seeds, so that a fuzz run starts from
# the same inputs every time and never writes into the source tree.
foreach(var SEEDS WORK ARTIFACTS)
    if(NOT ${var})
        message(FATAL_ERROR "freshcorpus.cmake: ${var} is not set")
    endif()
endforeach()
file(REMOVE_RECURSE "${WORK}")
file(COPY "${SEEDS}/" DESTINATION "${WORK}")
file(MAKE_DIRECTORY "${ARTIFACTS}")

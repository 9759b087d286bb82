# The first python3 here that imports the given modules. Debian's python3-unicorn and
# python3-pefile are for Debian's own interpreter, which need not be the first python3 on
# PATH (CMake's FindPython3 would take that one). Configuring stops with why they are needed.
function(find_python_with result modules why)
  find_program(PATH_PYTHON3 python3)
  foreach(candidate /usr/bin/python3 ${PATH_PYTHON3})
    execute_process(COMMAND ${candidate} -c "import ${modules}"
                    RESULT_VARIABLE failed OUTPUT_QUIET ERROR_QUIET)
    if(NOT failed)
      set(${result} ${candidate} PARENT_SCOPE)
      return()
    endif()
  endforeach()
  message(FATAL_ERROR "No python3 here imports ${modules}, which ${why}: scripts/install-deps "
          "installs Debian's python3-unicorn and python3-pefile for /usr/bin/python3.")
endfunction()

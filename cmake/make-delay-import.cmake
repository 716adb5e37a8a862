# cmake -DNM=... -DDLLTOOL=... -DDLL=name.dll -DIMPORT_LIBRARY=libname.a -DOUTPUT=libdelayed.a -P
# Writes a .def file of every function the import library imports (its __imp_ symbols) and makes
# the delay-import library of the DLL from it.
execute_process(COMMAND ${NM} --defined-only --extern-only ${IMPORT_LIBRARY}
  OUTPUT_VARIABLE symbols COMMAND_ERROR_IS_FATAL ANY)
string(REGEX MATCHALL " I __imp_[A-Za-z0-9_@?$]+" imports "${symbols}")
list(TRANSFORM imports REPLACE "^ I __imp_" "")
list(REMOVE_DUPLICATES imports)
if(NOT imports)
  message(FATAL_ERROR "${IMPORT_LIBRARY} imports nothing that could be delay-loaded")
endif()
list(JOIN imports "\n" exports)
get_filename_component(directory ${OUTPUT} DIRECTORY)
get_filename_component(stem ${OUTPUT} NAME_WE)
set(definitions ${directory}/${stem}.def)
file(WRITE ${definitions} "LIBRARY ${DLL}\nEXPORTS\n${exports}\n")
execute_process(COMMAND ${DLLTOOL} --input-def ${definitions} --dllname ${DLL} --output-delaylib ${OUTPUT}
  COMMAND_ERROR_IS_FATAL ANY)

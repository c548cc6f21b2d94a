# SPDX-License-Identifier: MIT
# The rows of the table of exports (api/calltable.h), each on one line in the list OUT_VAR:
# comments and preprocessor lines dropped, blanks folded. The directory is configured again
# when the table changes.
#   gpibsim_calltable_rows(TABLE OUT_VAR)
function(gpibsim_calltable_rows table out_var)
    file(READ ${table} text)
    string(REGEX REPLACE "/\\*([^*]|\\*+[^*/])*\\*+/" "" text "${text}")
    string(REGEX REPLACE "\n#[^\n]*" "" text "${text}")
    string(REGEX REPLACE "[ \n]+" " " text "${text}")
    string(REGEX MATCHALL "GPIBSIM_[A-Z]+\\([^()]*(\\([^()]*\\)[^()]*)?\\)" rows "${text}")
    set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${table})
    set(${out_var} "${rows}" PARENT_SCOPE)
endfunction()

# Warnings are errors in our own code (third-party headers are included as system headers).
function(gm_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Werror -Wshadow=local -Wno-missing-field-initializers)
endfunction()

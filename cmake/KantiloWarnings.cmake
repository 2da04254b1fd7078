# Every target of the project compiles warning-clean with these.
function(kantilo_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic)
endfunction()

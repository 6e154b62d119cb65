# Compiler settings shared by every target of the project.
set(KORVEL_VERSION_MAJOR ${PROJECT_VERSION_MAJOR})
set(KORVEL_VERSION_MINOR ${PROJECT_VERSION_MINOR})
set(KORVEL_VERSION_PATCH ${PROJECT_VERSION_PATCH})

if(KORVEL_SANITIZE)
  add_compile_options(-fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
  add_link_options(-fsanitize=address,undefined)
endif()

# Applies the project's warning flags to one of our own targets.
function(korvel_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra)
  if(KORVEL_WERROR)
    target_compile_options(${target} PRIVATE -Werror)
  endif()
endfunction()

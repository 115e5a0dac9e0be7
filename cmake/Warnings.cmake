# Every target of the project links vantora_warnings; third-party headers are
# included as system headers so their warnings never fail our build.
add_library(vantora_warnings INTERFACE)
target_compile_options(vantora_warnings INTERFACE
  -Wall -Wextra -Wpedantic -Wshadow -Wnon-virtual-dtor -Wcast-align
  -Woverloaded-virtual -Wimplicit-fallthrough)
if(VANTORA_WERROR)
  target_compile_options(vantora_warnings INTERFACE -Werror)
endif()

if(VANTORA_SANITIZE)
  add_compile_options(-fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
  add_link_options(-fsanitize=address,undefined)
endif()

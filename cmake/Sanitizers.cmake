if(BAZARO_SANITIZE)
  if(WIN32)
    message(FATAL_ERROR "BAZARO_SANITIZE applies to the native build only")
  endif()
  add_compile_options(-fsanitize=address,undefined -fno-sanitize-recover=undefined
                      -fno-omit-frame-pointer)
  add_link_options(-fsanitize=address,undefined)
endif()

# Sanitizer flags for the whole build; every target, the tests included, is built with them.
if(TK_SANITIZE STREQUAL "address")
  set(TK_SANITIZER_FLAGS -fsanitize=address,undefined -fno-sanitize-recover=undefined
                         -fno-omit-frame-pointer)
elseif(TK_SANITIZE STREQUAL "thread")
  set(TK_SANITIZER_FLAGS -fsanitize=thread -fno-omit-frame-pointer)
elseif(NOT TK_SANITIZE STREQUAL "")
  message(FATAL_ERROR "TK_SANITIZE must be empty, address or thread")
endif()
if(TK_SANITIZER_FLAGS)
  add_compile_options(${TK_SANITIZER_FLAGS})
  add_link_options(${TK_SANITIZER_FLAGS})
endif()

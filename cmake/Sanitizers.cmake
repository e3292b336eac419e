# AddressSanitizer + UndefinedBehaviorSanitizer for the whole build.
if(VORLANTH_SANITIZE)
  add_compile_options(-fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
  add_link_options(-fsanitize=address,undefined)
endif()

# Fuzz targets: the project's code instrumented for coverage and checked by both
# sanitizers; the targets themselves link libFuzzer's driver (tests/fuzz/).
if(VORLANTH_FUZZ)
  add_compile_options(-fsanitize=fuzzer-no-link,address,undefined -fno-omit-frame-pointer
                      -fno-sanitize-recover=undefined)
  add_link_options(-fsanitize=address,undefined)
endif()

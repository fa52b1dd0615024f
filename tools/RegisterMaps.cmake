# Register maps are tables in the source tree; their C++ is generated into
# the build tree at build time and compiled into the given target.
#   vl_generate_register_maps(<target> <table.regmap>...)
# A table <dir>/<MapClass>.regmap yields <build>/generated/<dir>/<MapClass>.h
# and .cpp; code includes the header as "<dir>/<MapClass>.h".
function(vl_generate_register_maps target)
  set(VL_GENERATED_ROOT ${CMAKE_BINARY_DIR}/generated)
  foreach(table IN LISTS ARGN)
    file(RELATIVE_PATH relative ${CMAKE_SOURCE_DIR} ${table})
    get_filename_component(directory ${relative} DIRECTORY)
    get_filename_component(stem ${relative} NAME_WE)
    set(header ${VL_GENERATED_ROOT}/${directory}/${stem}.h)
    set(source ${VL_GENERATED_ROOT}/${directory}/${stem}.cpp)
    add_custom_command(
      OUTPUT ${header} ${source}
      COMMAND Python3::Interpreter ${CMAKE_SOURCE_DIR}/tools/regmapgen.py --out-dir ${VL_GENERATED_ROOT}
              --source-root ${CMAKE_SOURCE_DIR} ${table}
      DEPENDS ${table} ${CMAKE_SOURCE_DIR}/tools/regmapgen.py ${CMAKE_SOURCE_DIR}/tools/regmaphash.py
      COMMENT "Generating register map ${stem}")
    target_sources(${target} PRIVATE ${source} ${header})
    # Driver code, wherever it is linked: its classes carry no type
    # information for hosted code to refer to.
    # Driver flags differ from a test target's, so its precompiled headers
    # do not fit here.
    set_source_files_properties(${source} TARGET_DIRECTORY ${target} PROPERTIES COMPILE_OPTIONS
                                "-fno-exceptions;-fno-rtti;-fno-threadsafe-statics" SKIP_PRECOMPILE_HEADERS ON)
  endforeach()
  target_include_directories(${target} PUBLIC ${VL_GENERATED_ROOT})
endfunction()

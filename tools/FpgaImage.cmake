# The FPGA image: a build-time tool writes the synthetic bitstream in the
# stored layout (LZ4 block behind a 32-byte header) and the driver source
# that carries it includes the file as it is.
#   vl_embed_fpga_image(<driver source that includes the image>)
# Call from the directory that owns the source's target.
function(vl_embed_fpga_image source)
  if(NOT TARGET vl-make-fpga-image)
    add_executable(vl-make-fpga-image ${CMAKE_SOURCE_DIR}/tools/fpgaimage/MakeFpgaImage.cpp)
    target_include_directories(vl-make-fpga-image PRIVATE ${CMAKE_SOURCE_DIR} ${LZ4_INCLUDE_DIR})
    target_link_libraries(vl-make-fpga-image PRIVATE ${LZ4_LIBRARY})
  endif()
  set(image ${CMAKE_BINARY_DIR}/generated/fpga/vl9738k-fpga-image.lz4)
  add_custom_command(
    OUTPUT ${image}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/generated/fpga
    COMMAND vl-make-fpga-image ${image}
    DEPENDS vl-make-fpga-image ${CMAKE_SOURCE_DIR}/sim/board/SyntheticBitstream.h
    COMMENT "Making the FPGA image")
  add_custom_target(vl9738k_fpga_image DEPENDS ${image})
  set_source_files_properties(${source} PROPERTIES COMPILE_DEFINITIONS "VL_FPGA_IMAGE_FILE=\"${image}\""
                              OBJECT_DEPENDS ${image})
endfunction()

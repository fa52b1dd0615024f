// The FPGA image the module carries, in its stored layout, as the image
// tool wrote it at build time. The assembler includes the file unchanged.
#include "FpgaImage.h"

#ifndef VL_FPGA_IMAGE_FILE
#error "the build names the image file"
#endif

asm(".pushsection .rodata.vl9738k_fpga_image,\"a\",@progbits\n"
    ".balign 16\n"
    ".globl vl9738kFpgaImageStart\n"
    ".hidden vl9738kFpgaImageStart\n"
    "vl9738kFpgaImageStart:\n"
    ".incbin \"" VL_FPGA_IMAGE_FILE
    "\"\n"
    ".globl vl9738kFpgaImageEnd\n"
    ".hidden vl9738kFpgaImageEnd\n"
    "vl9738kFpgaImageEnd:\n"
    ".popsection\n");

extern "C" const uint8_t vl9738kFpgaImageStart[];
extern "C" const uint8_t vl9738kFpgaImageEnd[];

namespace vllym {

const uint8_t* FpgaImage::embeddedData() { return vl9738kFpgaImageStart; }

uint64_t FpgaImage::embeddedSize() { return static_cast<uint64_t>(vl9738kFpgaImageEnd - vl9738kFpgaImageStart); }

}  // namespace vllym

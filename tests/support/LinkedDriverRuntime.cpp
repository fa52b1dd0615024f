// What the packaged module's build supplies, for programs that link the
// driver's sources directly: the host C runtime constructs their static
// objects, so the module's own constructor table is empty here, and the
// at-exit list is a plain variable.
#include "../../driver/platform/runtime/CppRunTime.h"

asm(R"(
  .section .rodata
  .balign 8
  .globl __vl_init_array_begin
  .globl __vl_init_array_end
__vl_init_array_begin:
  .quad 0
__vl_init_array_end:
  .quad 0
  .previous
)");

namespace nVLAPAL000 {

tAtExitNode** atExitListHead() {
  static tAtExitNode* head = nullptr;
  return &head;
}

}  // namespace nVLAPAL000

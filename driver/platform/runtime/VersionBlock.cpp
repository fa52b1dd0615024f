#include "CppRunTime.h"

namespace nVLAPAL000 {
namespace {

const char* const kVersionBlock[] = {
    "nVLVersion_ProductVersion=24.0.0f376",
    "nVLVersion_FileVersion=24.0.0f376",
    "nVLVersion_ModuleName=vl9738k",
    "nVLVersion_FileDescription=VL PXIe-9738 kernel-mode driver",
    "nVLVersion_ProductName=VL PXIe-9738 instrument driver",
    "nVLVersion_CompanyName=VL Instruments",
    "nVLVersion_LegalCopyright=Copyright VL Instruments",
    "nVLVersion_InternalName=vl9738k",
    "nVLVersion_OriginalFilename=vl9738k.o",
    nullptr,
};

}  // namespace

const char* const* getVersionBlock() { return kVersionBlock; }

}  // namespace nVLAPAL000

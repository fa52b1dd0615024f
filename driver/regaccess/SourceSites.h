// Source names that register-access failures publish in a full status
// record; they stay fixed however this code is laid out.
#ifndef VL9738K_REGACCESS_SOURCE_SITES_H
#define VL9738K_REGACCESS_SOURCE_SITES_H

namespace vllym::sites {

inline constexpr const char kIoAccessorMappedLittleEndian[] = "IoAccessorMappedLittleEndian";

}  // namespace vllym::sites

#endif

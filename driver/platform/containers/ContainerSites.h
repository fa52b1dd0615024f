// Published source locations of the containers' failure sites.
#ifndef VL9738K_PLATFORM_CONTAINERS_CONTAINER_SITES_H
#define VL9738K_PLATFORM_CONTAINERS_CONTAINER_SITES_H

namespace nVLAPAL000::sites {

inline constexpr const char kBasicString[] = "dep_mirror/deps/vlapal/includes/vlapal/protons/containers/tBasicString";
inline constexpr unsigned kBasicStringAppendLine = 1634;

}  // namespace nVLAPAL000::sites

#endif

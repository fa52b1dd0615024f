// Published source locations of the thread controller's failure sites.
#ifndef VL9738K_PLATFORM_THREAD_THREAD_SITES_H
#define VL9738K_PLATFORM_THREAD_THREAD_SITES_H

namespace nVLAPAL000::sites {

inline constexpr const char kThreadController[] =
    "dep_mirror/deps/vlapal/includes/vlapal/protons/thread/tThreadController";
inline constexpr unsigned kThreadControllerStartedLine = 56;
inline constexpr const char kThread[] = "dep_mirror/deps/vlapal/includes/vlapal/quarks/thread";
inline constexpr unsigned kThreadCreateLine = 657;

}  // namespace nVLAPAL000::sites

#endif

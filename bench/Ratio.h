// Benchmarks report their cost as a ratio to a baseline measured in the
// same run, which stays meaningful across machines. Both sides are the
// medians over the run's repetitions (9 unless the command line says).
#ifndef VL9738K_BENCH_RATIO_H
#define VL9738K_BENCH_RATIO_H

namespace vlbench {

// Registers "subject costs N x baseline" for the report after the run. A
// subject may be compared with several baselines, and a baseline serve
// several subjects.
struct Ratio {
  Ratio(const char* subject, const char* baseline);
};

}  // namespace vlbench

#define VL_BENCH_RATIO(subject, baseline) \
  static const vlbench::Ratio vlRatio_##subject##_##baseline { #subject, #baseline }

#endif

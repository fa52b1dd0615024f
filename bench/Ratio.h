// Benchmarks report their cost as a ratio to a baseline measured in the
// same run, which stays meaningful across machines. Both sides are the
// medians over the run's repetitions (9 unless the command line says).
#ifndef VL9738K_BENCH_RATIO_H
#define VL9738K_BENCH_RATIO_H

namespace vlbench {

// Registers "subject costs N x baseline" for the report after the run.
// Name the same baseline from several subjects to compare them all to it.
struct Ratio {
  Ratio(const char* subject, const char* baseline);
};

}  // namespace vlbench

#define VL_BENCH_RATIO(subject, baseline) \
  static const vlbench::Ratio vlRatio_##subject { #subject, #baseline }

#endif

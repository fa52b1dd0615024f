// A template static that the compiler makes a unique (or weak) global: the
// module check must count it as an export.
template <typename T>
struct tCounted {
  static inline int count = 0;
};

int bumpCount() { return ++tCounted<int>::count; }

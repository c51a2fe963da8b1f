// Timing for the peimage benchmark: the median of repeated runs, printed
// as `name: value unit`.
#pragma once

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <vector>

template <typename Work>
double MedianMilliseconds(int runs, Work work) {
  std::vector<double> times;
  for (int i = 0; i < runs; ++i) {
    auto start = std::chrono::steady_clock::now();
    if (!work()) return -1;
    std::chrono::duration<double, std::milli> spent = std::chrono::steady_clock::now() - start;
    times.push_back(spent.count());
  }
  std::sort(times.begin(), times.end());
  return times[times.size() / 2];
}

inline void PrintCopyTimes(const char* prefix, size_t fileSize, double plain, double personalised) {
  std::printf("%s_file_size: %zu bytes\n", prefix, fileSize);
  std::printf("%s_plain_copy: %.3f ms\n", prefix, plain);
  std::printf("%s_personalised_copy: %.3f ms\n", prefix, personalised);
  std::printf("%s_personalised_over_plain: %.2f x\n", prefix, personalised / plain);
}

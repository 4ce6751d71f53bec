// The cost of a log call with the log off (every call site pays it) and on.
#include <benchmark/benchmark.h>

#include <cstdio>

#include "shell/log.h"

namespace {

void BM_LogOff(benchmark::State& state) {
  qb::CloseLog();
  for (auto _ : state) {
    benchmark::DoNotOptimize(qb::LogPrintA("packet_process: temp_index(0x%08x)\n", 7u));
  }
}
BENCHMARK(BM_LogOff);

void BM_LogOffWide(benchmark::State& state) {
  qb::CloseLog();
  for (auto _ : state) benchmark::DoNotOptimize(qb::LogPrintW(L"model %d\n", 79));
}
BENCHMARK(BM_LogOffWide);

/// Log on, console and file both to /dev/null: formatting, time stamp and writing.
void BM_LogOn(benchmark::State& state) {
  std::FILE* console = std::fopen("/dev/null", "w");
  qb::SetLogConsoleStream(console);
  qb::InitConsoleWindow("/dev/null");
  for (auto _ : state) {
    benchmark::DoNotOptimize(qb::LogPrintA("packet_process: temp_index(0x%08x)\n", 7u));
  }
  qb::CloseLog();
  qb::SetLogConsoleStream(nullptr);
  std::fclose(console);
}
BENCHMARK(BM_LogOn);

void BM_LogOnWide(benchmark::State& state) {
  std::FILE* console = std::fopen("/dev/null", "w");
  qb::SetLogConsoleStream(console);
  qb::InitConsoleWindow("/dev/null");
  for (auto _ : state) benchmark::DoNotOptimize(qb::LogPrintW(L"Manufacturer String: %ls\n", L"box"));
  qb::CloseLog();
  qb::SetLogConsoleStream(nullptr);
  std::fclose(console);
}
BENCHMARK(BM_LogOnWide);

}  // namespace

// Frame coding and reply parsing costs, with the log off.
#include <benchmark/benchmark.h>

#include <vector>

#include "devicelink/frame_codec.h"
#include "devicelink/receive_ring.h"
#include "devicelink/reply_parser.h"

namespace {

void BM_BuildCommandFrame(benchmark::State& state) {
  std::vector<std::uint8_t> payload(static_cast<std::size_t>(state.range(0)), 0x5A);
  qb::OutputReport report;
  for (auto _ : state) {
    qb::BuildCommandFrame(1, 6, 0xBB, payload, report);
    benchmark::DoNotOptimize(report);
  }
}
BENCHMARK(BM_BuildCommandFrame)->Arg(0)->Arg(12)->Arg(55);

class CountingSink final : public qb::FrameSink {
 public:
  void OnFrame(const qb::ReplyFrame& frame) override { bytes += frame.data.size(); }
  std::size_t bytes = 0;
};

/// A stream of valid reply frames of mixed sizes, as 64-byte reports with padding.
std::vector<std::uint8_t> ReplyStream() {
  std::vector<std::uint8_t> stream;
  for (int i = 0; i < 2000; ++i) {
    const std::size_t n = static_cast<std::size_t>(i % 56);
    std::vector<std::uint8_t> body = {static_cast<std::uint8_t>(n + 3), 1, 6, 0xDD};
    for (std::size_t k = 0; k < n; ++k) body.push_back(static_cast<std::uint8_t>(k * 7 + i));
    std::uint8_t sum = 0;
    for (std::uint8_t b : body) sum = static_cast<std::uint8_t>(sum + b);
    stream.push_back(0xAA);
    stream.push_back(0x55);
    stream.insert(stream.end(), body.begin(), body.end());
    stream.push_back(static_cast<std::uint8_t>(0u - sum));
    while (stream.size() % 64 != 0) stream.push_back(0);
  }
  return stream;
}

/// Bytes through the ring and the parser, report by report, as the read path does.
void BM_ParseReplyStream(benchmark::State& state) {
  const std::vector<std::uint8_t> stream = ReplyStream();
  qb::ReceiveRing ring;
  qb::ReplyParser parser;
  CountingSink sink;
  for (auto _ : state) {
    for (std::size_t offset = 0; offset < stream.size(); offset += 64) {
      for (std::size_t i = 0; i < 64; ++i) ring.Append(stream[offset + i]);
      std::uint8_t b = 0;
      while (ring.Take(b)) parser.packet_process(b, sink);
    }
  }
  benchmark::DoNotOptimize(sink.bytes);
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * stream.size()));
}
BENCHMARK(BM_ParseReplyStream);

}  // namespace

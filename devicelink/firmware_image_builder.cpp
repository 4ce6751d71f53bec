#include "devicelink/firmware_image_builder.h"

#include <limits>

#include "devicelink/value_encoding.h"

namespace qb {

namespace {

constexpr std::uint64_t kMax32 = std::numeric_limits<std::uint32_t>::max();

void Append(std::vector<std::uint8_t>& out, std::span<const std::uint8_t> bytes) {
  out.insert(out.end(), bytes.begin(), bytes.end());
}

}  // namespace

std::optional<std::vector<std::uint8_t>> BuildSingleImage(const ImageFields& fields) {
  if (fields.data.size() > kMax32 - kImageFrameBytes) return std::nullopt;
  std::vector<std::uint8_t> image;
  image.reserve(fields.data.size() + kImageFrameBytes);
  image.push_back(fields.fwId);
  image.push_back(fields.modelId);
  Append(image, fields.head);
  Append(image, fields.data);
  Append(image, fields.tail);
  Append(image, EncodeU32BE(ImageByteSum(image)));
  return image;
}

std::optional<std::vector<std::uint8_t>> BuildMergedFile(
    std::span<const std::vector<std::uint8_t>> images, std::uint8_t head0, std::uint8_t head1) {
  if (images.size() > std::numeric_limits<std::uint8_t>::max()) return std::nullopt;
  std::vector<std::uint8_t> file{head0, head1, static_cast<std::uint8_t>(images.size())};
  for (const std::vector<std::uint8_t>& image : images) {
    if (image.size() > kMax32) return std::nullopt;
    Append(file, EncodeU32BE(static_cast<std::uint32_t>(image.size())));
  }
  for (const std::vector<std::uint8_t>& image : images) Append(file, image);
  return file;
}

}  // namespace qb

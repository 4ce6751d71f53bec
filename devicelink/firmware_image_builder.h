#pragma once
/// Builds firmware image files in the layout the image checks accept, from any data, so
/// tests, demos and the virtual box have images without any vendor firmware.

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "devicelink/firmware_image.h"

namespace qb {

/// The fields of one single image.
struct ImageFields {
  std::uint8_t fwId = kFwIdMcu;  ///< kFwIdMcu for MCU and boot-loader images, kFwIdDsp for DSP
  std::uint8_t modelId = 0;
  ImageHead head{};
  std::span<const std::uint8_t> data;  ///< image data; may be empty
  ImageHead tail{};
};

/// A single image file: FW_ID, FW_MODEL_ID, head, data, tail and the big-endian sum of all
/// of them. nullopt when the data is too long for the 32-bit sizes of a merged file.
std::optional<std::vector<std::uint8_t>> BuildSingleImage(const ImageFields& fields);

/// A merged file: the two head bytes, the count, each image's size (32-bit big-endian) and
/// the images one after another. `images` are complete single images (BuildSingleImage);
/// the accepted layout is the MCU image first and the DSP image second. Any count up to
/// 255 is built, so that tests can make files the checks refuse. nullopt when there are
/// more than 255 images or one is longer than 32 bits can say.
std::optional<std::vector<std::uint8_t>> BuildMergedFile(
    std::span<const std::vector<std::uint8_t>> images, std::uint8_t head0 = 0x00,
    std::uint8_t head1 = kMergedFileMark);

}  // namespace qb

#pragma once
/// Records the MCU decoder posts to the main window as WM_MCU_REPLY (wParam = command id).
/// Every field starts at zero; the decoder fills what the box reported.

#include <array>
#include <cstddef>
#include <cstdint>

#include "messages/reply_message.h"

namespace qb {

/// Normal handshake (MCU_HANDSHAKE): the box's model and its two firmware versions.
struct HandshakeRecord final : ReplyRecord {
  std::int32_t reserved = 0;  ///< always 0
  std::int32_t model = 0;
  std::int32_t masterVersion = 0;
  std::int32_t slaveVersion = 0;
};

/// DSP flash version (MCU_GET_DSPFLASH_VER): four version bytes behind four unused fields.
struct FlashVersionRecord final : ReplyRecord {
  std::array<std::int32_t, 4> reserved{};  ///< always 0
  std::array<std::int32_t, 4> version{};   ///< version bytes 1..4 in the order received
};

inline constexpr std::size_t kPasswordCapacity = 12;
inline constexpr std::size_t kRemarkCapacity = 20;

/// Password and remark (MCU_PASSWORD). The lengths count the bytes held in the arrays:
/// a box that announces more than fits, or more than its frame carries, is clipped, so a
/// reader may always trust `passwordLength <= 12` and `remarkLength <= 20`.
struct PasswordRecord final : ReplyRecord {
  std::int32_t passwordLength = 0;
  std::array<std::uint8_t, kPasswordCapacity> password{};
  std::int32_t remarkLength = 0;
  std::array<std::uint8_t, kRemarkCapacity> remark{};
};

inline constexpr std::size_t kTextCapacity = 16;

/// The box's device text (MCU_TEXT), clipped like the password: `length <= 16`.
struct TextRecord final : ReplyRecord {
  std::uint8_t length = 0;
  std::array<std::uint8_t, kTextCapacity> text{};
};

}  // namespace qb

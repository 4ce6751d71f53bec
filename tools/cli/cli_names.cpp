#include "tools/cli/cli_names.h"

#include <array>
#include <cstddef>

#include "core/profile.h"
#include "devicelink/wire_codes.h"

namespace qb::cli {
namespace {

// Indexed by code; the static_asserts keep the tables in step with the core's numbering.
constexpr std::array<std::string_view, kRoleCount> kRoleNames = {
    "empty",
    "front-left-tweeter",
    "front-left-midrange",
    "front-left-woofer",
    "front-left-mid-tweeter",
    "front-left-mid-woofer",
    "front-left-full",
    "front-right-tweeter",
    "front-right-midrange",
    "front-right-woofer",
    "front-right-mid-tweeter",
    "front-right-mid-woofer",
    "front-right-full",
    "rear-left-tweeter",
    "rear-left-woofer",
    "rear-left-full",
    "rear-right-tweeter",
    "rear-right-woofer",
    "rear-right-full",
    "center-tweeter",
    "center-woofer",
    "center-full",
    "subwoofer-left",
    "subwoofer-right",
    "subwoofer",
};
static_assert(kRoleSubwoofer == kRoleCount - 1 && kRoleSubwooferLeft == 22 && kRoleCenterTweeter == 19);

constexpr std::array<std::string_view, kInputSourceCount> kSourceNames = {
    "opt", "coax", "bt", "aux", "low", "hi", "dmp", "udp", "scp",
};
static_assert(SOURCE_OPT == 0 && SOURCE_HI == 5 && SOURCE_SCP == 8);

constexpr std::array<std::string_view, 3> kFamilyNames = {"butterworth", "linkwitz-riley", "bessel"};
static_assert(FILTER_TYPE_BUTTERWORTH == 1 && FILTER_TYPE_LINKWITZ_RILEY == 2 && FILTER_TYPE_BESSEL == 3);

constexpr std::string_view kUnknown = "unknown";

template <std::size_t N>
std::string_view NameAt(const std::array<std::string_view, N>& names, int index) {
  return index >= 0 && static_cast<std::size_t>(index) < N ? names[static_cast<std::size_t>(index)] : kUnknown;
}

template <std::size_t N>
std::optional<int> IndexOf(const std::array<std::string_view, N>& names, std::string_view name) {
  for (std::size_t i = 0; i < N; ++i)
    if (names[i] == name) return static_cast<int>(i);
  return std::nullopt;
}

template <std::size_t N>
std::string JoinNames(const std::array<std::string_view, N>& names, std::size_t indent) {
  constexpr std::size_t kWidth = 80;
  std::string text;
  std::size_t column = indent;
  for (std::size_t i = 0; i < N; ++i) {
    const std::size_t piece = names[i].size() + (i + 1 < N ? 1 : 0);
    if (i > 0) {
      if (column + 1 + piece > kWidth) {
        text += '\n';
        text.append(indent, ' ');
        column = indent;
      } else {
        text += ' ';
        ++column;
      }
    }
    text += names[i];
    if (i + 1 < N) text += ',';
    column += piece;
  }
  return text;
}

}  // namespace

std::string_view RoleName(int code) { return NameAt(kRoleNames, code); }
std::optional<int> RoleFromName(std::string_view name) { return IndexOf(kRoleNames, name); }

std::string_view SourceName(int source) { return NameAt(kSourceNames, source); }
std::optional<int> SourceFromName(std::string_view name) { return IndexOf(kSourceNames, name); }

std::string_view FamilyName(int code) { return NameAt(kFamilyNames, code - 1); }
std::optional<int> FamilyFromName(std::string_view name) {
  const auto index = IndexOf(kFamilyNames, name);
  return index ? std::optional<int>(*index + 1) : std::nullopt;
}

std::string AllRoleNames(std::size_t indent) { return JoinNames(kRoleNames, indent); }
std::string AllSourceNames(std::size_t indent) { return JoinNames(kSourceNames, indent); }
std::string AllFamilyNames(std::size_t indent) { return JoinNames(kFamilyNames, indent); }

}  // namespace qb::cli

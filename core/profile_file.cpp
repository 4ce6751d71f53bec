#include "core/profile_file.h"

#include <cjson/cJSON.h>

#include <QByteArray>
#include <QString>
#include <algorithm>
#include <cfloat>
#include <charconv>
#include <climits>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <new>
#include <span>
#include <vector>

#include "core/box_limits.h"
#include "core/text_file.h"

namespace qb {
namespace {

constexpr int kModelCode = 79;
constexpr char kModelName[] = "ZX7140K";

/// Lowest main volume a file may hold: the value of a box that has not reported yet, which
/// a save made before the first report writes.
constexpr int kLowestFileMainVolume = -5;
using PerScene = std::array<int, kSceneSlots>;

/// Routing masks name inputs 1..6 as bits 0..5.
constexpr int kAllInputsMask = (1 << kBoxInputs) - 1;

/// A profile is tens of kilobytes and a whole configuration well under a megabyte; a file
/// far larger was picked by mistake and is not read into memory whole.
constexpr std::size_t kMaxFileBytes = 16 * 1024 * 1024;

struct JsonDelete {
  void operator()(cJSON* item) const { cJSON_Delete(item); }
};
using Json = std::unique_ptr<cJSON, JsonDelete>;

// --- writing ------------------------------------------------------------------------------------

/// cJSON reports an allocation failure as a null item.
cJSON* Made(cJSON* item) {
  if (item == nullptr) throw std::bad_alloc();
  return item;
}

cJSON* Attach(cJSON* object, const char* key, cJSON* item) {
  Made(item);
  cJSON_AddItemToObject(object, key, item);
  return item;
}

/// What a float is written as: the shortest decimal that reads back as the same float, so a
/// Q of 5.8 appears as 5.8 rather than as the double 5.8000001907348633.
double FileNumber(float value) {
  char buffer[32];
  const auto printed = std::to_chars(buffer, buffer + sizeof buffer, value);
  double shortest = 0.0;
  std::from_chars(buffer, printed.ptr, shortest);
  return shortest;
}

void AddInt(cJSON* object, const char* key, int value) {
  Attach(object, key, cJSON_CreateNumber(value));
}

/// A value held to the range the reader takes; what the box reported outside it (erased
/// flash, a level on an input that is not routed) is written as the nearest value that loads.
int Held(int value, int min, int max) { return std::clamp(value, min, max); }
float Held(float value, float min, float max) { return std::isfinite(value) ? std::clamp(value, min, max) : min; }
int FlagOf(int value) { return value != 0 ? 1 : 0; }
/// A value outside the reader's set of codes is written as `fallback`.
int Code(int value, int min, int max, int fallback) { return value >= min && value <= max ? value : fallback; }

void AddFloat(cJSON* object, const char* key, float value) {
  Attach(object, key, cJSON_CreateNumber(FileNumber(value)));
}

template <typename Hold>
cJSON* IntArray(std::span<const int> values, Hold hold) {
  cJSON* array = Made(cJSON_CreateArray());
  for (const int value : values) {
    cJSON* number = cJSON_CreateNumber(hold(value));
    if (number == nullptr) {
      cJSON_Delete(array);
      throw std::bad_alloc();
    }
    cJSON_AddItemToArray(array, number);
  }
  return array;
}

void AddFilter(cJSON* crossover, const char* key, const CrossoverFilter& filter) {
  cJSON* object = Attach(crossover, key, cJSON_CreateObject());
  AddInt(object, "fs", Held(filter.fs, kMinFrequencyHz, kMaxFrequencyHz));
  AddInt(object, "type", Code(filter.type, FILTER_TYPE_BUTTERWORTH, FILTER_TYPE_BESSEL, FILTER_TYPE_BUTTERWORTH));
  AddInt(object, "slope", Held(filter.slope, FILTER_SLOPE_OFF, kMaxSlope));
  AddInt(object, "bypass", filter.bypass);
}

void AddChannel(cJSON* channels, const OutputChannel& channel) {
  cJSON* object = Made(cJSON_CreateObject());
  cJSON_AddItemToArray(channels, object);
  const int bandCount = std::clamp(channel.eqSize, 0, kMaxEqBands);
  AddInt(object, "eqSize", bandCount);
  AddFloat(object, "gain", Held(channel.gain, static_cast<float>(kOutputOffDb), static_cast<float>(kMaxOutputVolumeDb)));
  AddInt(object, "mute", FlagOf(channel.mute));
  AddFloat(object, "delay", Held(channel.delay, 0.0f, static_cast<float>(kMaxSentDelayMs)));
  AddInt(object, "phase", FlagOf(channel.phase));
  AddInt(object, "bypass", FlagOf(channel.bypass));
  cJSON* crossover = Attach(object, "crossover", cJSON_CreateObject());
  AddInt(crossover, "bpType", Held(channel.crossover.bpType, kBpNone, kBpBandPass));
  AddFilter(crossover, "hp", channel.crossover.hp);
  AddFilter(crossover, "lp", channel.crossover.lp);
  cJSON* bands = Attach(object, "eqArray", cJSON_CreateArray());
  for (const EqBand& band : std::span(channel.bands).first(At(bandCount))) {
    cJSON* item = Made(cJSON_CreateObject());
    cJSON_AddItemToArray(bands, item);
    AddInt(item, "freq", Held(band.freq, kMinFrequencyHz, kMaxFrequencyHz));
    AddFloat(item, "eqFactor", Held(band.eqFactor, kMinBandQ, kMaxBandQ));
    AddFloat(item, "eqGain", Held(band.eqGain, kMinBandGainDb, kMaxBandGainDb));
    AddInt(item, "enable", FlagOf(band.enable));
  }
}

/// The keys that open both files.
void AddHeader(cJSON* object, const Profile& profile) {
  AddInt(object, "model", kModelCode);
  Attach(object, "model_name", cJSON_CreateString(kModelName));
  AddInt(object, "mainVolume", Held(profile.mainVolume, kLowestFileMainVolume, kMainVolumeTopStep));
  AddInt(object, "subVolume", profile.subVolume);
  AddInt(object, "mainVolumeMute", FlagOf(profile.mainVolumeMute));
}

/// The keys of one settings set, as a scene profile and each set of a whole configuration
/// hold them.
void AddSettings(cJSON* object, const Profile& profile) {
  cJSON* channels = Attach(object, "channels", cJSON_CreateArray());
  for (const OutputChannel& channel : profile.channels) AddChannel(channels, channel);
  cJSON* inputs = Attach(object, "inputs", cJSON_CreateArray());
  const auto mask = [](int value) { return value & kAllInputsMask; };
  for (const auto& masks : profile.inputs) cJSON_AddItemToArray(inputs, IntArray(masks, mask));
  cJSON* mix = Attach(object, "inputMixVolume", cJSON_CreateArray());
  const auto level = [](int value) { return Held(value, 0, kFullMixLevel); };
  for (const auto& source : profile.inputMixVolume) {
    cJSON* perInput = Made(cJSON_CreateArray());
    cJSON_AddItemToArray(mix, perInput);
    for (const auto& levels : source) cJSON_AddItemToArray(perInput, IntArray(levels, level));
  }
  Attach(object, "outputs", IntArray(profile.outputs, [](int role) { return Code(role, 0, kRoleCount - 1, kRoleEmpty); }));
  Attach(object, "linkOutputs",
         IntArray(profile.linkOutputs, [](int partner) { return Code(partner, -1, kOutputCount - 1, -1); }));
  Attach(object, "showChEqualizer", IntArray(profile.showChEqualizer, FlagOf));
  AddInt(object, "currChannel", Code(profile.currChannel, 0, kOutputCount - 1, 0));
  AddInt(object, "linkMode", FlagOf(profile.linkMode));
  AddInt(object, "lockMode", FlagOf(profile.lockMode));
}

std::string Printed(const cJSON* root) {
  char* text = cJSON_PrintUnformatted(root);
  if (text == nullptr) throw std::bad_alloc();
  std::string result(text);
  cJSON_free(text);
  return result;
}

/// A name slot as the file holds it: the 16 bytes of its code units, little-endian.
std::string EncodedName(const SceneName& name) {
  QByteArray bytes(static_cast<qsizetype>(kSceneNameBytes), '\0');
  for (std::size_t unit = 0; unit + 1 < kSceneNameUnits; ++unit) {
    bytes[static_cast<qsizetype>(2 * unit)] = static_cast<char>(name[unit] & 0xFF);
    bytes[static_cast<qsizetype>(2 * unit + 1)] = static_cast<char>(name[unit] >> 8);
  }
  return bytes.toBase64().toStdString();
}

// --- reading ------------------------------------------------------------------------------------

/// Thrown by the readers below at the first thing that keeps the text from loading.
struct Damaged {};

/// The text as JSON; null when it is not JSON, including JSON followed by anything but
/// blanks (a file cut or joined to another is damaged, not a profile).
Json ParsedJson(std::string_view text) {
  const char* end = nullptr;
  Json root(cJSON_ParseWithLengthOpts(text.data(), text.size(), &end, false));
  if (!root) return nullptr;
  const std::string_view rest = text.substr(static_cast<std::size_t>(end - text.data()));
  if (rest.find_first_not_of(" \t\r\n") != std::string_view::npos) return nullptr;
  return root;
}

const cJSON* Item(const cJSON* object, const char* key) {
  const cJSON* item = cJSON_GetObjectItemCaseSensitive(object, key);
  if (item == nullptr) throw Damaged{};
  return item;
}

const cJSON* Object(const cJSON* item) {
  if (!cJSON_IsObject(item)) throw Damaged{};
  return item;
}

/// The elements of an array that must have exactly `length` of them.
std::vector<const cJSON*> Elements(const cJSON* item, std::size_t length) {
  if (!cJSON_IsArray(item)) throw Damaged{};
  std::vector<const cJSON*> elements;
  for (const cJSON* element = item->child; element != nullptr; element = element->next) {
    if (elements.size() == length) throw Damaged{};
    elements.push_back(element);
  }
  if (elements.size() != length) throw Damaged{};
  return elements;
}

double Number(const cJSON* item) {
  if (!cJSON_IsNumber(item) || !std::isfinite(item->valuedouble)) throw Damaged{};
  return item->valuedouble;
}

/// The integer part of a number, which must lie within min..max.
int Whole(const cJSON* item, int min, int max) {
  const double whole = std::trunc(Number(item));
  if (whole < min || whole > max) throw Damaged{};
  return static_cast<int>(whole);
}

int Flag(const cJSON* item) { return Whole(item, 0, 1); }

/// A number as a float within min..max. Compared as a float, so every value the program
/// kept in range reads back, however its decimal text rounds as a double.
float Ranged(const cJSON* item, float min, float max) {
  const double value = Number(item);
  if (std::fabs(value) > static_cast<double>(FLT_MAX)) throw Damaged{};
  const auto narrowed = static_cast<float>(value);
  if (narrowed < min || narrowed > max) throw Damaged{};
  return narrowed;
}

template <typename Read>
void ReadInts(const cJSON* item, std::span<int> target, Read read) {
  const auto elements = Elements(item, target.size());
  for (std::size_t i = 0; i < target.size(); ++i) target[i] = read(elements[i]);
}

void ReadFilter(const cJSON* object, CrossoverFilter& filter) {
  Object(object);
  // Refused, not held by the setters: a corner of 20001 Hz would otherwise become a 20 Hz
  // low-pass that silences the output.
  filter.SetFs(Whole(Item(object, "fs"), kMinFrequencyHz, kMaxFrequencyHz));
  filter.SetType(Whole(Item(object, "type"), FILTER_TYPE_BUTTERWORTH, FILTER_TYPE_BESSEL));
  filter.SetSlope(Whole(Item(object, "slope"), FILTER_SLOPE_OFF, kMaxSlope));
  // Follows from the slope, which SetSlope has just applied; only its presence is checked.
  Number(Item(object, "bypass"));
}

void ReadBand(const cJSON* object, EqBand& band) {
  Object(object);
  band.freq = Whole(Item(object, "freq"), kMinFrequencyHz, kMaxFrequencyHz);
  band.eqFactor = Ranged(Item(object, "eqFactor"), kMinBandQ, kMaxBandQ);
  band.eqGain = Ranged(Item(object, "eqGain"), kMinBandGainDb, kMaxBandGainDb);
  band.enable = Number(Item(object, "enable")) != 0.0 ? 1 : 0;
}

void ReadChannel(const cJSON* object, OutputChannel& channel) {
  Object(object);
  channel.eqSize = Whole(Item(object, "eqSize"), 0, kMaxEqBands);
  channel.gain = static_cast<float>(Whole(Item(object, "gain"), kOutputOffDb, kMaxOutputVolumeDb));
  channel.mute = Flag(Item(object, "mute"));
  channel.delay = Ranged(Item(object, "delay"), 0.0f, static_cast<float>(kMaxSentDelayMs));
  channel.phase = Flag(Item(object, "phase"));
  channel.bypass = static_cast<std::uint8_t>(Flag(Item(object, "bypass")));
  const cJSON* crossover = Object(Item(object, "crossover"));
  channel.crossover.bpType = Whole(Item(crossover, "bpType"), kBpNone, kBpBandPass);
  ReadFilter(Item(crossover, "hp"), channel.crossover.hp);
  ReadFilter(Item(crossover, "lp"), channel.crossover.lp);
  const auto bands = Elements(Item(object, "eqArray"), At(channel.eqSize));
  for (std::size_t b = 0; b < bands.size(); ++b) ReadBand(bands[b], channel.bands[b]);
}

void ReadHeader(const cJSON* root, Profile& profile) {
  profile.mainVolume = Whole(Item(root, "mainVolume"), kLowestFileMainVolume, kMainVolumeTopStep);
  profile.subVolume = Whole(Item(root, "subVolume"), INT_MIN, INT_MAX);
  profile.mainVolumeMute = Flag(Item(root, "mainVolumeMute"));
}

void ReadSettings(const cJSON* object, Profile& profile) {
  Object(object);
  const auto channels = Elements(Item(object, "channels"), kOutputSlots);
  for (std::size_t o = 0; o < kOutputSlots; ++o) ReadChannel(channels[o], profile.channels[o]);

  const auto mask = [](const cJSON* item) { return Whole(item, 0, kAllInputsMask); };
  const auto sources = Elements(Item(object, "inputs"), kInputSourceCount);
  for (std::size_t s = 0; s < kInputSourceCount; ++s) ReadInts(sources[s], profile.inputs[s], mask);

  const auto level = [](const cJSON* item) { return Whole(item, 0, kFullMixLevel); };
  const auto mixSources = Elements(Item(object, "inputMixVolume"), kInputSourceCount);
  for (std::size_t s = 0; s < kInputSourceCount; ++s) {
    const auto inputs = Elements(mixSources[s], kMixInputSlots);
    for (std::size_t i = 0; i < kMixInputSlots; ++i) ReadInts(inputs[i], profile.inputMixVolume[s][i], level);
  }

  ReadInts(Item(object, "outputs"), profile.outputs,
           [](const cJSON* item) { return Whole(item, 0, kRoleCount - 1); });
  ReadInts(Item(object, "linkOutputs"), profile.linkOutputs,
           [](const cJSON* item) { return Whole(item, -1, kOutputCount - 1); });
  ReadInts(Item(object, "showChEqualizer"), profile.showChEqualizer, Flag);
  profile.currChannel = Whole(Item(object, "currChannel"), 0, kOutputCount - 1);
  profile.linkMode = Flag(Item(object, "linkMode"));
  profile.lockMode = Flag(Item(object, "lockMode"));
}

/// Base64 as the name was written; characters outside the alphabet are skipped, bytes
/// beyond the slot ignored, and the last unit is cleared so the name always ends.
SceneName DecodedName(const cJSON* item) {
  if (!cJSON_IsString(item)) throw Damaged{};
  const QByteArray bytes = QByteArray::fromBase64(QByteArray(item->valuestring));
  std::array<std::uint8_t, kSceneNameBytes> slot{};
  std::copy_n(bytes.begin(), std::min(static_cast<std::size_t>(bytes.size()), slot.size()), slot.begin());
  SceneName name{};
  for (std::size_t unit = 0; unit + 1 < kSceneNameUnits; ++unit)
    name[unit] = static_cast<char16_t>(slot[2 * unit] | slot[2 * unit + 1] << 8);
  return name;
}

/// Not JSON, a missing or wrong "model", or Ok to read on.
ProfileFileResult CheckModel(const cJSON* root) {
  if (!cJSON_IsObject(root)) return ProfileFileResult::LoadError;
  const cJSON* model = cJSON_GetObjectItemCaseSensitive(root, "model");
  if (!cJSON_IsNumber(model) || !std::isfinite(model->valuedouble)) return ProfileFileResult::LoadError;
  return std::trunc(model->valuedouble) == kModelCode ? ProfileFileResult::Ok : ProfileFileResult::ModelMismatch;
}

template <typename Read>
ProfileFileResult ReadDocument(std::string_view text, Read read) {
  const Json root = ParsedJson(text);
  if (!root) return ProfileFileResult::NotJson;
  if (const auto model = CheckModel(root.get()); model != ProfileFileResult::Ok) return model;
  try {
    read(root.get());
  } catch (const Damaged&) {
    return ProfileFileResult::LoadError;
  }
  return ProfileFileResult::Ok;
}

void CopyHeader(const Profile& from, Profile& to) {
  to.mainVolume = from.mainVolume;
  to.subVolume = from.subVolume;
  to.mainVolumeMute = from.mainVolumeMute;
}

/// Only what the files carry: the rest of `to` describes the box or settings the files
/// never held, and a load must not reset them.
void CopySettings(const Profile& from, Profile& to) {
  to.channels = from.channels;
  to.inputs = from.inputs;
  to.inputMixVolume = from.inputMixVolume;
  to.outputs = from.outputs;
  to.linkOutputs = from.linkOutputs;
  to.showChEqualizer = from.showChEqualizer;
  to.currChannel = from.currChannel;
  to.linkMode = from.linkMode;
  to.lockMode = from.lockMode;
}

}  // namespace

std::string SceneProfileText(const Profile& profile) {
  const Json root(Made(cJSON_CreateObject()));
  AddHeader(root.get(), profile);
  AddSettings(root.get(), profile);
  return Printed(root.get());
}

std::string WholeProfileText(const WholeProfile& whole) {
  const Json root(Made(cJSON_CreateObject()));
  AddHeader(root.get(), whole.current);
  cJSON* names = Attach(root.get(), "sceneName", cJSON_CreateArray());
  for (const SceneName& name : whole.names)
    cJSON_AddItemToArray(names, Made(cJSON_CreateString(EncodedName(name).c_str())));
  AddSettings(Attach(root.get(), "currentProfile", cJSON_CreateObject()), whole.current);
  cJSON* scenes = Attach(root.get(), "sceneArray", cJSON_CreateArray());
  for (const Profile& scene : whole.scenes) {
    cJSON* object = Made(cJSON_CreateObject());
    cJSON_AddItemToArray(scenes, object);
    AddSettings(object, scene);
  }
  PerScene valid{};
  for (std::size_t s = 0; s < kSceneSlots; ++s) valid[s] = (whole.valid >> s & 1u) != 0 ? 1 : 0;
  Attach(root.get(), "sceneValid", IntArray(valid, FlagOf));
  return Printed(root.get());
}

// The settings read are built only for a text that is JSON of this model: most refused
// texts never cost the defaults of a profile (or of eleven, for a whole configuration).
ProfileFileResult ParseSceneProfile(std::string_view text, Profile& profile) {
  std::unique_ptr<Profile> read;
  const auto result = ReadDocument(text, [&](const cJSON* root) {
    read = std::make_unique<Profile>();
    ReadHeader(root, *read);
    ReadSettings(root, *read);
  });
  if (result != ProfileFileResult::Ok) return result;
  CopyHeader(*read, profile);
  CopySettings(*read, profile);
  return result;
}

ProfileFileResult ParseWholeProfile(std::string_view text, WholeProfile& whole) {
  std::unique_ptr<WholeProfile> read;
  const auto result = ReadDocument(text, [&](const cJSON* root) {
    read = std::make_unique<WholeProfile>();
    ReadHeader(root, read->current);
    const auto names = Elements(Item(root, "sceneName"), kSceneSlots);
    for (std::size_t s = 0; s < kSceneSlots; ++s) read->names[s] = DecodedName(names[s]);
    ReadSettings(Item(root, "currentProfile"), read->current);
    const auto scenes = Elements(Item(root, "sceneArray"), kSceneSlots);
    for (std::size_t s = 0; s < kSceneSlots; ++s) ReadSettings(scenes[s], read->scenes[s]);
    // Optional: files written before it was kept had every slot written.
    read->valid = kAllScenesValid;
    if (const cJSON* valid = cJSON_GetObjectItemCaseSensitive(root, "sceneValid")) {
      PerScene flags{};
      ReadInts(valid, flags, Flag);
      read->valid = 0;
      for (std::size_t s = 0; s < kSceneSlots; ++s)
        if (flags[s] != 0) read->valid = static_cast<std::uint16_t>(read->valid | (1u << s));
    }
  });
  if (result != ProfileFileResult::Ok) return result;
  CopyHeader(read->current, whole.current);
  CopySettings(read->current, whole.current);
  for (std::size_t s = 0; s < kSceneSlots; ++s) CopySettings(read->scenes[s], whole.scenes[s]);
  whole.names = read->names;
  whole.valid = read->valid;
  return result;
}

ProfileFileResult ReadSceneProfileFile(const std::string& path, Profile& profile) {
  std::string text;
  if (!ReadTextFile(path, kMaxFileBytes, text)) return ProfileFileResult::OpenError;
  return ParseSceneProfile(text, profile);
}

ProfileFileResult ReadWholeProfileFile(const std::string& path, WholeProfile& whole) {
  std::string text;
  if (!ReadTextFile(path, kMaxFileBytes, text)) return ProfileFileResult::OpenError;
  return ParseWholeProfile(text, whole);
}

ProfileFileResult WriteSceneProfileFile(const Profile& profile, const std::string& path) {
  return SaveTextFile(path, SceneProfileText(profile)) ? ProfileFileResult::Ok : ProfileFileResult::CreateError;
}

ProfileFileResult WriteWholeProfileFile(const WholeProfile& whole, const std::string& path) {
  return SaveTextFile(path, WholeProfileText(whole)) ? ProfileFileResult::Ok : ProfileFileResult::CreateError;
}

const char* ProfileFileMessage(ProfileFileResult result, bool wholeConfiguration) {
  switch (result) {
    case ProfileFileResult::Ok:
      return "${profile_save_ok}";
    case ProfileFileResult::OpenError:
      return "${profile_open_error}";
    case ProfileFileResult::NotJson:
      return wholeConfiguration ? "${profile_load_error}" : "${profile_open_error}";
    case ProfileFileResult::LoadError:
      return "${profile_load_error}";
    case ProfileFileResult::ModelMismatch:
      return "${software_not_match}";
    case ProfileFileResult::CreateError:
      return "${profile_create_error}";
    case ProfileFileResult::BoxLeft:
      return "${device_plugout}";
    case ProfileFileResult::SceneNameRefused:
      return "${profile_scene_names}";
    case ProfileFileResult::TaskBusy:
      return "${task_not_started}";
  }
  return "${profile_load_error}";
}

}  // namespace qb

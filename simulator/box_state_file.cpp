#include "simulator/box_state_file.h"

#include <cjson/cJSON.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <concepts>
#include <limits>
#include <memory>
#include <new>
#include <system_error>
#include <type_traits>
#include <vector>

#include "devicelink/frame_codec.h"

namespace qb::sim {
namespace {

constexpr char kFormat[] = "quorelbox-virtual-box";

// --- where a value sits, for messages ------------------------------------------------------

/// A value's place in the document. Built on the stack as the reader descends and turned
/// into text only when something is wrong, so a clean load pays nothing for it.
struct Path {
  const Path* parent = nullptr;
  const char* key = nullptr;  ///< null: an array index
  std::size_t index = 0;

  Path Key(const char* k) const { return Path{this, k, 0}; }
  Path At(std::size_t i) const { return Path{this, nullptr, i}; }

  std::string Text() const {
    std::vector<const Path*> chain;
    for (const Path* p = this; p->parent != nullptr; p = p->parent) chain.push_back(p);
    std::string text;
    for (auto it = chain.rbegin(); it != chain.rend(); ++it) {
      if ((*it)->key != nullptr) {
        if (!text.empty()) text += '.';
        text += (*it)->key;
      } else {
        text += '[' + std::to_string((*it)->index) + ']';
      }
    }
    return text;
  }
};

/// What is wrong with a value; unwinds to the public function, which reports it.
struct Fault {
  Fault(const Path& path, const std::string& what) {
    const std::string where = path.Text();
    message = where.empty() ? what : where + ": " + what;
  }
  std::string message;
};

std::string NumberText(double value) {
  char buffer[32];
  const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
  return std::string(buffer, result.ptr);
}

// --- hex -----------------------------------------------------------------------------------

template <typename Bytes>
std::string ToHex(const Bytes& bytes) {
  static constexpr char kDigits[] = "0123456789abcdef";
  std::string hex;
  hex.reserve(bytes.size() * 2);
  for (const auto byte : bytes) {
    const auto b = static_cast<std::uint8_t>(byte);
    hex += kDigits[b >> 4];
    hex += kDigits[b & 0x0F];
  }
  return hex;
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

/// The bytes of `hex`: exactly maxBytes of them when `exact`, else at most maxBytes.
std::vector<std::uint8_t> FromHex(std::string_view hex, bool exact, std::size_t maxBytes,
                                  const Path& path) {
  if (hex.size() % 2 != 0) throw Fault(path, "odd number of hex digits");
  const std::size_t n = hex.size() / 2;
  if (n > maxBytes || (exact && n != maxBytes)) {
    throw Fault(path, "holds " + std::to_string(n) + " bytes, expected " +
                          (exact ? "" : "at most ") + std::to_string(maxBytes));
  }
  std::vector<std::uint8_t> bytes(n);
  for (std::size_t i = 0; i < n; ++i) {
    const int high = HexDigit(hex[2 * i]);
    const int low = HexDigit(hex[2 * i + 1]);
    if (high < 0 || low < 0) {
      throw Fault(path,
                  "bad hex digit at position " + std::to_string(high < 0 ? 2 * i : 2 * i + 1));
    }
    bytes[i] = static_cast<std::uint8_t>(high << 4 | low);
  }
  return bytes;
}

// --- what the file holds ---------------------------------------------------------------------

/// A list with a bound on its length (for arrays of lists: on each list's length).
template <typename T>
struct Capped {
  T& value;
  std::size_t max;
};
template <typename T>
Capped(T&, std::size_t) -> Capped<T>;

/// A number that holds less than its type allows.
template <typename T>
struct Ranged {
  T& value;
  long long min;
  long long max;
};
template <typename T>
Ranged(T&, long long, long long) -> Ranged<T>;

template <typename T, typename U>
concept Is = std::same_as<std::remove_const_t<T>, U>;

/// The structures listed field by field below.
template <typename T>
concept Record = Is<T, EqBand> || Is<T, Filter> || Is<T, Compressor> || Is<T, OutputChannel> ||
    Is<T, InputChannel> || Is<T, SourceSettings> || Is<T, LinkPair> || Is<T, ChannelLink> ||
    Is<T, Settings> || Is<T, SceneSlot> || Is<T, BoxState>;

/// Structures written as a plain array of their fields, because there are thousands of them.
template <typename T>
constexpr bool kPacked = Is<T, EqBand> || Is<T, LinkPair>;

// Each structure's fields, listed once for writing and reading: v(name, field).

template <typename V, Is<EqBand> T>
void Visit(V& v, T& b) {
  v("freqHz", b.freqHz);
  v("q", b.q);
  v("gainDb", b.gainDb);
}

template <typename V, Is<Filter> T>
void Visit(V& v, T& f) {
  v("family", f.family);
  v("freqHz", f.freqHz);
  v("slope", f.slope);
}

template <typename V, Is<Compressor> T>
void Visit(V& v, T& c) {
  v("bypass", c.bypass);
  v("thresholdDb", c.thresholdDb);
  v("ratio", c.ratio);
  v("kneeDb", c.kneeDb);
  v("attack", c.attack);
  v("release", c.release);
}

template <typename V, Is<OutputChannel> T>
void Visit(V& v, T& o) {
  v("delayMs", o.delayMs);
  v("volumeDb", o.volumeDb);
  v("mute", o.mute);
  v("phase", o.phase);
  v("role", o.role);
  v("solo", o.solo);
  v("eqBypass", o.eqBypass);
  v("hpfQMode", o.hpfQMode);
  v("lpfQMode", o.lpfQMode);
  v("highPass", o.highPass);
  v("lowPass", o.lowPass);
  v("bands", o.bands);
  v("compressor", o.compressor);
  v("speakerDistance", o.speakerDistance);
  v("distort", o.distort);
  // One remap command carries the whole list, so it never exceeds a payload.
  v("remap", Capped{o.remap, kMaxPayload});
}

template <typename V, Is<InputChannel> T>
void Visit(V& v, T& in) {
  v("trim", in.trim);
  v("mute", in.mute);
  v("phase", in.phase);
  v("distort", in.distort);
  v("eq", in.eq);
}

template <typename V, Is<SourceSettings> T>
void Visit(V& v, T& s) {
  v("mixMask", s.mixMask);
  v("mixTrim", s.mixTrim);
  v("mixType", s.mixType);
  v("mixType2", s.mixType2);
  v("bypass", s.bypass);
  v("inputs", s.inputs);
}

template <typename V, Is<LinkPair> T>
void Visit(V& v, T& p) {
  v("from", p.from);
  v("to", p.to);
}

template <typename V, Is<ChannelLink> T>
void Visit(V& v, T& l) {
  v("on", l.on);
  v("pairs", Capped{l.pairs, kMaxLinkPairs});
}

template <typename V, Is<Settings> T>
void Visit(V& v, T& s) {
  // The box reports its source as a switch code, which exists only for real sources.
  v("source", Ranged{s.source, 0, kInputSourceCount - 1});
  v("mainVolumeDb", s.mainVolumeDb);
  v("subwooferVolume", s.subwooferVolume);
  v("mainMute", s.mainMute);
  v("ampMute", s.ampMute);
  v("outputs", s.outputs);
  v("sources", s.sources);
  v("link", s.link);
  v("trimLink", s.trimLink);
  v("delayLink", s.delayLink);
  v("lock", s.lock);
  v("inputThreshold", s.inputThreshold);
  v("speakerConfig", s.speakerConfig);
  v("factoryPreset", s.factoryPreset);
  v("setupMode", s.setupMode);
  v("autoEffect", s.autoEffect);
  v("remoteChannel", s.remoteChannel);
  v("oneByteSetting", s.oneByteSetting);
  v("twoByteSetting", s.twoByteSetting);
  v("mixSource", s.mixSource);
  v("surroundBlock", s.surroundBlock);
}

template <typename V, Is<SceneSlot> T>
void Visit(V& v, T& slot) {
  v("erased", slot.erased);
  v("valid", slot.valid);
  v("name", slot.name);
  v("settings", slot.settings);
  v("block", slot.block);
}

template <typename V, Is<BoxState> T>
void Visit(V& v, T& s) {
  v("live", s.live);
  v("scenes", s.scenes);
  v("pendingNames", Capped{s.pendingNames, kSceneNameBytes});
  v("hasPendingName", s.hasPendingName);
  v("currentScene", Ranged{s.currentScene, kLiveScene, kLastStoredScene});
  v("powerOffDelayMs", s.powerOffDelayMs);
  v("accDelay", s.accDelay);
  v("password", Capped{s.password, kPasswordBytes});
  v("remark", Capped{s.remark, kRemarkBytes});
  v("text", Capped{s.text, kMaxStoredTextBytes});
  v("memory", Capped{s.memory, kMaxStoredMemoryWords});
  v("karaoke", s.karaoke.values);
  v("inputNoiseDb", s.inputNoiseDb);
}

/// What no single field shows: saving a scene copies all of its pending name.
void CheckAcrossFields(const BoxState& s, const Path& root) {
  const Path names = root.Key("pendingNames");
  for (std::size_t i = 0; i < kSceneSlots; ++i) {
    if (s.hasPendingName[i] && s.pendingNames[i].size() != kSceneNameBytes) {
      throw Fault(names.At(i),
                  "a pending name must hold " + std::to_string(kSceneNameBytes) + " bytes");
    }
  }
}

template <typename T>
struct IsStdArray : std::false_type {};
template <typename T, std::size_t N>
struct IsStdArray<std::array<T, N>> : std::true_type {};

template <typename T>
concept Integer = std::integral<T> && !std::same_as<T, bool>;

// --- writing ---------------------------------------------------------------------------------

struct JsonDelete {
  void operator()(cJSON* json) const { cJSON_Delete(json); }
};
using JsonPtr = std::unique_ptr<cJSON, JsonDelete>;

JsonPtr Made(cJSON* json) {
  if (json == nullptr) throw std::bad_alloc();
  return JsonPtr(json);
}

/// Adds `child` to an object under `key`, or to an array when `key` is null.
void Attach(cJSON& parent, const char* key, JsonPtr child) {
  const bool added = key != nullptr ? cJSON_AddItemToObject(&parent, key, child.get())
                                    : cJSON_AddItemToArray(&parent, child.get());
  if (!added) throw std::bad_alloc();
  child.release();
}

class Writer {
 public:
  Writer(cJSON& node, const Path& path, bool packed)
      : m_node(node), m_path(path), m_packed(packed) {}

  template <typename T>
  void operator()(const char* key, const T& value) {
    const Path path = m_path.Key(key);
    Attach(m_node, m_packed ? nullptr : key, Make(value, path));
  }

  template <typename T>
  static JsonPtr Make(const T& value, const Path& path) {
    if constexpr (std::same_as<T, bool>) {
      return Made(cJSON_CreateBool(value));
    } else if constexpr (Integer<T>) {
      static_assert(sizeof(T) <= 4, "wider integers would not survive a double");
      return Made(cJSON_CreateNumber(static_cast<double>(value)));
    } else if constexpr (std::same_as<T, double>) {
      // cJSON would print 15 digits when they come within an epsilon, which loses the last
      // bit (0.1 + 0.2 comes back as 0.3); the shortest exact form reads back bit for bit.
      if (!std::isfinite(value)) throw Fault(path, "is not a finite number");
      return Made(cJSON_CreateRaw(NumberText(value).c_str()));
    } else if constexpr (IsStdArray<T>::value) {
      if constexpr (std::same_as<typename T::value_type, std::uint8_t>) {
        return Made(cJSON_CreateString(ToHex(value).c_str()));
      } else {
        JsonPtr array = Made(cJSON_CreateArray());
        for (std::size_t i = 0; i < value.size(); ++i) {
          Attach(*array, nullptr, Make(value[i], path.At(i)));
        }
        return array;
      }
    } else {
      static_assert(Record<T>);
      JsonPtr node = Made(kPacked<T> ? cJSON_CreateArray() : cJSON_CreateObject());
      Writer fields(*node, path, kPacked<T>);
      Visit(fields, value);
      return node;
    }
  }

  template <typename T>
  static JsonPtr Make(const Ranged<T>& ranged, const Path& path) {
    const auto value = static_cast<long long>(ranged.value);
    if (value < ranged.min || value > ranged.max) {
      throw Fault(path, std::to_string(ranged.value) + " is outside " + std::to_string(ranged.min) +
                            ".." + std::to_string(ranged.max));
    }
    return Make(ranged.value, path);
  }

  template <typename T>
  static JsonPtr Make(const Capped<T>& capped, const Path& path) {
    using Value = std::remove_const_t<T>;
    if constexpr (IsStdArray<Value>::value) {
      JsonPtr array = Made(cJSON_CreateArray());
      for (std::size_t i = 0; i < capped.value.size(); ++i) {
        const Path at = path.At(i);
        Attach(*array, nullptr,
               Make(Capped<const typename Value::value_type>{capped.value[i], capped.max}, at));
      }
      return array;
    } else {
      if (capped.value.size() > capped.max) {
        throw Fault(path, "holds " + std::to_string(capped.value.size()) + " entries, at most " +
                              std::to_string(capped.max) + " fit");
      }
      if constexpr (std::same_as<Value, std::vector<std::uint8_t>> ||
                    std::same_as<Value, std::string>) {
        return Made(cJSON_CreateString(ToHex(capped.value).c_str()));
      } else if constexpr (std::same_as<Value, std::map<std::uint32_t, std::uint32_t>>) {
        JsonPtr array = Made(cJSON_CreateArray());
        for (const auto& [address, word] : capped.value) {
          JsonPtr pair = Made(cJSON_CreateArray());
          Attach(*pair, nullptr, Make(address, path));
          Attach(*pair, nullptr, Make(word, path));
          Attach(*array, nullptr, std::move(pair));
        }
        return array;
      } else {
        JsonPtr array = Made(cJSON_CreateArray());
        for (std::size_t i = 0; i < capped.value.size(); ++i) {
          Attach(*array, nullptr, Make(capped.value[i], path.At(i)));
        }
        return array;
      }
    }
  }

 private:
  cJSON& m_node;
  const Path& m_path;
  bool m_packed;
};

// --- reading ---------------------------------------------------------------------------------

/// The entries of a JSON array, which must number between min and max.
std::vector<const cJSON*> Entries(const cJSON& json, std::size_t min, std::size_t max,
                                  const Path& path) {
  if (!cJSON_IsArray(&json)) throw Fault(path, "expected an array");
  std::size_t count = 0;
  for (const cJSON* entry = json.child; entry != nullptr; entry = entry->next) ++count;
  if (count < min || count > max) {
    const std::string wanted = min == max ? std::to_string(max) : "at most " + std::to_string(max);
    throw Fault(path, "expected " + wanted + " entries, found " + std::to_string(count));
  }
  std::vector<const cJSON*> entries;
  entries.reserve(count);
  for (const cJSON* entry = json.child; entry != nullptr; entry = entry->next) {
    entries.push_back(entry);
  }
  return entries;
}

std::string_view HexText(const cJSON& json, const Path& path) {
  if (!cJSON_IsString(&json) || json.valuestring == nullptr) {
    throw Fault(path, "expected a hex string");
  }
  return json.valuestring;
}

/// Counts a structure's fields, to know how long its packed array must be.
struct FieldCounter {
  std::size_t count = 0;
  template <typename T>
  void operator()(const char*, T&&) {
    ++count;
  }
};

template <typename T>
std::size_t FieldCount() {
  T sample{};
  FieldCounter counter;
  Visit(counter, sample);
  return counter.count;
}

class Reader {
 public:
  Reader(const cJSON& node, const Path& path, bool packed)
      : m_node(node), m_path(path), m_packed(packed), m_next(packed ? node.child : nullptr) {}

  template <typename T>
  void operator()(const char* key, T&& value) {
    const Path path = m_path.Key(key);
    const cJSON* item = nullptr;
    if (m_packed) {
      item = m_next;  // the caller counted the entries
      m_next = m_next->next;
    } else {
      item = cJSON_GetObjectItemCaseSensitive(&m_node, key);
      if (item == nullptr) throw Fault(path, "missing");
    }
    Take(*item, path, value);
  }

  static void Take(const cJSON& json, const Path& path, bool& out) {
    if (!cJSON_IsBool(&json)) throw Fault(path, "expected true or false");
    out = cJSON_IsTrue(&json);
  }

  template <Integer T>
  static void Take(const cJSON& json, const Path& path, T& out) {
    static_assert(sizeof(T) <= 4, "wider integers would not survive a double");
    if (!cJSON_IsNumber(&json)) throw Fault(path, "expected a number");
    const double number = json.valuedouble;
    constexpr auto kMin = std::numeric_limits<T>::min();
    constexpr auto kMax = std::numeric_limits<T>::max();
    // Checked as doubles first: converting one outside the type's range is undefined.
    if (!(number >= static_cast<double>(kMin) && number <= static_cast<double>(kMax))) {
      throw Fault(path, NumberText(number) + " is outside " + std::to_string(kMin) + ".." +
                            std::to_string(kMax));
    }
    if (number != std::trunc(number)) {
      throw Fault(path, NumberText(number) + " is not a whole number");
    }
    out = static_cast<T>(number);
  }

  static void Take(const cJSON& json, const Path& path, double& out) {
    if (!cJSON_IsNumber(&json)) throw Fault(path, "expected a number");
    if (!std::isfinite(json.valuedouble)) throw Fault(path, "is not a finite number");
    out = json.valuedouble;
  }

  template <typename T, std::size_t N>
  static void Take(const cJSON& json, const Path& path, std::array<T, N>& out) {
    if constexpr (std::same_as<T, std::uint8_t>) {
      const auto bytes = FromHex(HexText(json, path), true, N, path);
      std::copy(bytes.begin(), bytes.end(), out.begin());
    } else {
      const auto entries = Entries(json, N, N, path);
      for (std::size_t i = 0; i < N; ++i) Take(*entries[i], path.At(i), out[i]);
    }
  }

  template <Record T>
  static void Take(const cJSON& json, const Path& path, T& out) {
    if constexpr (kPacked<T>) {
      const std::size_t fields = FieldCount<T>();
      Entries(json, fields, fields, path);
    } else if (!cJSON_IsObject(&json)) {
      throw Fault(path, "expected an object");
    }
    Reader fields(json, path, kPacked<T>);
    Visit(fields, out);
  }

  template <typename T>
  static void Take(const cJSON& json, const Path& path, Ranged<T> ranged) {
    T value{};
    Take(json, path, value);
    if (static_cast<long long>(value) < ranged.min || static_cast<long long>(value) > ranged.max) {
      throw Fault(path, std::to_string(value) + " is outside " + std::to_string(ranged.min) + ".." +
                            std::to_string(ranged.max));
    }
    ranged.value = value;
  }

  template <typename T>
  static void Take(const cJSON& json, const Path& path, Capped<T> capped) {
    if constexpr (IsStdArray<T>::value) {
      const auto entries = Entries(json, capped.value.size(), capped.value.size(), path);
      for (std::size_t i = 0; i < entries.size(); ++i) {
        Take(*entries[i], path.At(i), Capped<typename T::value_type>{capped.value[i], capped.max});
      }
    } else if constexpr (std::same_as<T, std::vector<std::uint8_t>>) {
      capped.value = FromHex(HexText(json, path), false, capped.max, path);
    } else if constexpr (std::same_as<T, std::string>) {
      const auto bytes = FromHex(HexText(json, path), false, capped.max, path);
      capped.value.assign(bytes.begin(), bytes.end());
    } else if constexpr (std::same_as<T, std::map<std::uint32_t, std::uint32_t>>) {
      const auto entries = Entries(json, 0, capped.max, path);
      T words;
      for (std::size_t i = 0; i < entries.size(); ++i) {
        const Path at = path.At(i);
        const auto pair = Entries(*entries[i], 2, 2, at);
        std::uint32_t address = 0;
        std::uint32_t word = 0;
        Take(*pair[0], at, address);
        Take(*pair[1], at, word);
        if (!words.emplace(address, word).second) {
          throw Fault(at, "address " + std::to_string(address) + " is listed twice");
        }
      }
      capped.value = std::move(words);
    } else {
      const auto entries = Entries(json, 0, capped.max, path);
      T list(entries.size());
      for (std::size_t i = 0; i < entries.size(); ++i) Take(*entries[i], path.At(i), list[i]);
      capped.value = std::move(list);
    }
  }

 private:
  const cJSON& m_node;
  const Path& m_path;
  bool m_packed;
  const cJSON* m_next;
};

bool IsJsonSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }

void CheckHeader(const cJSON& document, const Path& root) {
  const cJSON* format = cJSON_GetObjectItemCaseSensitive(&document, "format");
  if (!cJSON_IsString(format) || format->valuestring == nullptr ||
      std::string_view(format->valuestring) != kFormat) {
    throw Fault(root,
                std::string("not a virtual box state (\"format\" is not \"") + kFormat + "\")");
  }
  const cJSON* version = cJSON_GetObjectItemCaseSensitive(&document, "version");
  if (!cJSON_IsNumber(version)) throw Fault(root, "the \"version\" number is missing");
  if (version->valuedouble != kBoxStateFileVersion) {
    throw Fault(root, "version " + NumberText(version->valuedouble) +
                          " is not one this program reads (" +
                          std::to_string(kBoxStateFileVersion) + ")");
  }
}

// --- files -----------------------------------------------------------------------------------

std::string Reason(int error) { return std::generic_category().message(error); }

/// Closes a descriptor on every path out.
class Descriptor {
 public:
  explicit Descriptor(int fd) : m_fd(fd) {}
  ~Descriptor() {
    if (m_fd >= 0) ::close(m_fd);
  }
  Descriptor(const Descriptor&) = delete;
  Descriptor& operator=(const Descriptor&) = delete;
  int Get() const { return m_fd; }
  /// Closes now, reporting the error close may carry for a written file.
  int Close() {
    const int result = ::close(m_fd);
    m_fd = -1;
    return result;
  }

 private:
  int m_fd;
};

std::string FolderOf(const std::string& path) {
  const auto slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

bool WriteAll(int fd, std::string_view text) {
  while (!text.empty()) {
    const ssize_t written = ::write(fd, text.data(), text.size());
    if (written < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    text.remove_prefix(static_cast<std::size_t>(written));
  }
  return true;
}

bool WriteFileAtomically(const std::string& path, std::string_view text, std::string& error) {
  // A name of our own in the target's folder, so the rename cannot cross file systems and
  // two savers never share a temporary file. 0666 lets the umask decide, as for any file.
  static std::atomic<unsigned> serial{0};
  std::string temporary;
  int fd = -1;
  for (int attempt = 0; attempt < 100 && fd < 0; ++attempt) {
    temporary = path + ".tmp." + std::to_string(::getpid()) + "." + std::to_string(serial++);
    fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0 && errno != EEXIST) break;
  }
  if (fd < 0) {
    error = "cannot create a temporary file next to " + path + ": " + Reason(errno);
    return false;
  }
  Descriptor file(fd);
  const auto fail = [&](const char* what) {
    error = std::string(what) + " " + temporary + ": " + Reason(errno);
    ::unlink(temporary.c_str());
    return false;
  };
  if (!WriteAll(file.Get(), text)) return fail("cannot write");
  if (::fsync(file.Get()) != 0) return fail("cannot flush");
  if (file.Close() != 0) return fail("cannot close");
  if (::rename(temporary.c_str(), path.c_str()) != 0) {
    const int why = errno;
    ::unlink(temporary.c_str());
    error = "cannot replace " + path + ": " + Reason(why);
    return false;
  }
  // The rename itself reaches the disk with the folder; the new state is complete either way.
  Descriptor folder(::open(FolderOf(path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (folder.Get() >= 0) ::fsync(folder.Get());
  return true;
}

void SetError(std::string* error, std::string message) {
  if (error != nullptr) *error = std::move(message);
}

/// The text of `document`, on one line and ended by a newline.
std::string Printed(const cJSON& document) {
  char* text = cJSON_PrintUnformatted(&document);
  if (text == nullptr) throw std::bad_alloc();
  std::string json(text);
  cJSON_free(text);
  json += '\n';
  return json;
}

/// The one JSON value `json` holds; blanks may follow it, nothing else may.
JsonPtr Document(std::string_view json, const Path& root) {
  if (json.size() > kMaxBoxStateFileBytes) throw Fault(root, "far too large for a box state");
  const char* end = nullptr;
  JsonPtr document(cJSON_ParseWithLengthOpts(json.data(), json.size(), &end, false));
  if (document == nullptr) {
    const std::size_t at =
        end != nullptr && end >= json.data() ? static_cast<std::size_t>(end - json.data()) : 0;
    throw Fault(root, json.empty() ? "empty, not JSON"
                                   : "not JSON (fails at byte " + std::to_string(at) + ")");
  }
  const std::size_t used = static_cast<std::size_t>(end - json.data());
  const auto rest = json.substr(std::min(used, json.size()));
  if (!std::all_of(rest.begin(), rest.end(), IsJsonSpace)) {
    throw Fault(root, "not JSON (unexpected bytes after the document at byte " +
                          std::to_string(used) + ")");
  }
  return document;
}

template <Record T>
LoadResult ParseRecord(std::string_view json, T& record, std::string* error) {
  try {
    const Path root;
    const JsonPtr document = Document(json, root);
    T loaded{};
    Reader::Take(*document, root, loaded);
    record = std::move(loaded);
    return LoadResult::Loaded;
  } catch (const Fault& fault) {
    SetError(error, fault.message);
  } catch (const std::bad_alloc&) {
    SetError(error, "out of memory");
  }
  return LoadResult::Damaged;
}

template <Record T>
bool SerializeRecord(const T& record, std::string& json, std::string* error) {
  try {
    json = Printed(*Writer::Make(record, Path{}));
    return true;
  } catch (const Fault& fault) {
    SetError(error, fault.message);
  } catch (const std::bad_alloc&) {
    SetError(error, "out of memory");
  }
  return false;
}

}  // namespace

bool SerializeBoxState(const BoxState& state, std::string& json, std::string* error) {
  try {
    const Path root;
    CheckAcrossFields(state, root);
    JsonPtr document = Made(cJSON_CreateObject());
    Attach(*document, "format", Made(cJSON_CreateString(kFormat)));
    Attach(*document, "version", Made(cJSON_CreateNumber(kBoxStateFileVersion)));
    Writer fields(*document, root, false);
    Visit(fields, state);
    json = Printed(*document);
    return true;
  } catch (const Fault& fault) {
    SetError(error, fault.message);
  } catch (const std::bad_alloc&) {
    SetError(error, "out of memory");
  }
  return false;
}

LoadResult ParseBoxState(std::string_view json, BoxState& state, std::string* error) {
  try {
    const Path root;
    const JsonPtr document = Document(json, root);
    if (!cJSON_IsObject(document.get())) {
      throw Fault(root, "not a virtual box state (not a JSON object)");
    }
    CheckHeader(*document, root);
    // A state is over a megabyte: not for the stack of whichever thread loads it.
    auto loaded = std::make_unique<BoxState>();
    Reader fields(*document, root, false);
    Visit(fields, *loaded);
    CheckAcrossFields(*loaded, root);
    loaded->pcConnected = false;
    state = std::move(*loaded);
    return LoadResult::Loaded;
  } catch (const Fault& fault) {
    SetError(error, fault.message);
  } catch (const std::bad_alloc&) {
    SetError(error, "out of memory");
  }
  return LoadResult::Damaged;
}

bool SaveBoxState(const BoxState& state, const std::string& path, std::string* error) {
  std::string json;
  std::string why;
  if (!SerializeBoxState(state, json, &why)) {
    SetError(error, "cannot save the box state to " + path + ": " + why);
    return false;
  }
  if (!WriteFileAtomically(path, json, why)) {
    SetError(error, why);
    return false;
  }
  return true;
}

LoadResult LoadBoxState(const std::string& path, BoxState& state, std::string* error) {
  // Non-blocking, so that a FIFO at the path cannot stall the open; it is refused below.
  Descriptor file(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
  if (file.Get() < 0) {
    const int why = errno;
    if (why == ENOENT) return LoadResult::Missing;
    SetError(error, path + ": cannot open: " + Reason(why));
    return LoadResult::Damaged;
  }
  struct stat info {};
  if (::fstat(file.Get(), &info) != 0) {
    SetError(error, path + ": cannot read: " + Reason(errno));
    return LoadResult::Damaged;
  }
  if (!S_ISREG(info.st_mode)) {
    SetError(error, path + ": not a regular file");
    return LoadResult::Damaged;
  }
  std::string text;
  char buffer[65536];
  for (;;) {
    const ssize_t got = ::read(file.Get(), buffer, sizeof buffer);
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) {
      SetError(error, path + ": cannot read: " + Reason(errno));
      return LoadResult::Damaged;
    }
    if (got == 0) break;
    if (text.size() + static_cast<std::size_t>(got) > kMaxBoxStateFileBytes) {
      SetError(error, path + ": larger than " + std::to_string(kMaxBoxStateFileBytes >> 20) +
                          " MB, not a box state");
      return LoadResult::Damaged;
    }
    text.append(buffer, static_cast<std::size_t>(got));
  }
  std::string why;
  const LoadResult result = ParseBoxState(text, state, &why);
  if (result == LoadResult::Damaged) SetError(error, path + ": " + why);
  return result;
}

LoadResult ParseBoxStateRecord(std::string_view json, OutputChannel& record, std::string* error) {
  return ParseRecord(json, record, error);
}
LoadResult ParseBoxStateRecord(std::string_view json, SourceSettings& record, std::string* error) {
  return ParseRecord(json, record, error);
}
LoadResult ParseBoxStateRecord(std::string_view json, ChannelLink& record, std::string* error) {
  return ParseRecord(json, record, error);
}

bool SerializeBoxStateRecord(const OutputChannel& record, std::string& json, std::string* error) {
  return SerializeRecord(record, json, error);
}
bool SerializeBoxStateRecord(const SourceSettings& record, std::string& json, std::string* error) {
  return SerializeRecord(record, json, error);
}
bool SerializeBoxStateRecord(const ChannelLink& record, std::string& json, std::string* error) {
  return SerializeRecord(record, json, error);
}

}  // namespace qb::sim

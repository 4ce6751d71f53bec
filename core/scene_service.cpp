// Scenes in the box and profile files: the tasks that move whole settings sets, and the
// mirror replaced only by a file read completely.
#include "core/scene_service.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <memory>

#include "core/box_reads.h"
#include "core/code_page.h"
#include "core/eq_values.h"
#include "core/link_editor.h"
#include "core/output_levels.h"
#include "core/role_pairing.h"
#include "core/profile_writeback.h"
#include "devicelink/scene_commands.h"
#include "shell/log.h"

namespace qb {
namespace {

constexpr std::uint8_t kLiveSceneByte = kLiveScene;
/// How long the queued part of a whole-configuration load may take to reach the box: the
/// task waits for the queue to drain, never longer than this.
constexpr auto kLiveDrainLimit = std::chrono::seconds(20);

void PostTo(MessageTarget* target, std::uint32_t number) {
  if (!target) return;
  ReplyMessage message;
  message.number = number;
  target->PostReplyMessage(std::move(message));
}

/// A settings set read from a file, made what the box will hold once it is written: the
/// band count stays the box's (the bands the file does not carry go flat, so no old band
/// goes on sounding unseen), band values sit on the box's steps, and the link state settles
/// as linking leaves it.
void FitToBox(Profile& read, const Profile& box) {
  for (int o = 0; o < kOutputCount; ++o) {
    OutputChannel& channel = read.channels[At(o)];
    const int fileBands = std::clamp(channel.eqSize, 0, kMaxEqBands);
    const int boxBands = EqSize(box, o);
    for (int b = fileBands; b < boxBands; ++b) channel.bands[At(b)].eqGain = 0.0f;
    channel.eqSize = boxBands;
    for (int b = 0; b < boxBands; ++b) channel.bands[At(b)] = BoxBand(channel.bands[At(b)]);
    channel.delay = BoxDelayMs(channel.delay);
  }
  SettleLinkState(read);
}

/// The live settings of a file: as FitToBox, and a main volume the file never had (it was
/// saved before the box reported one, which the file holds as -5) stays the box's rather
/// than turning the box off.
void FitLiveToBox(Profile& read, const Profile& box) {
  FitToBox(read, box);
  if (read.mainVolume < 0) read.mainVolume = box.mainVolume;
}

}  // namespace

PerOutput<int> SceneService::BandCounts() const {
  PerOutput<int> counts{};
  for (int o = 0; o < kOutputCount; ++o) counts[At(o)] = EqSize(m_ctx.Live(), o);
  return counts;
}

void SceneService::SetCurrentScene(int scene) {
  LogPrintA("FLASH_SCENE_ID/mSceneId %d\n", scene);
  m_ctx.mirror.currentScene = (scene >= 0 && scene <= kLastStoredScene) ? scene : 0;
  m_ctx.Publish(Change{}.Add(kAspectSceneNames));
}

bool SceneService::AskCurrentScene() { return Get_Scene_ID(m_ctx.Link()); }

void SceneService::AttachWindow(MessageTarget* target) {
  m_ctx.Link().Register(ReplySlot::SceneWindowHandle, target);
}

void SceneService::SetSceneName(int scene, std::u16string_view name) {
  if (!ValidScene(scene)) return;
  SceneName& slot = m_ctx.mirror.sceneNames[At(scene - kFirstStoredScene)];
  slot.fill(u'\0');
  const std::size_t kept = std::min(name.size(), kSceneNameUnits - 1);
  std::copy_n(name.begin(), kept, slot.begin());
  m_ctx.Publish(Change{}.Add(kAspectSceneNames));
}

void SceneService::LiveSettingsRead() {
  DeviceLink& link = m_ctx.Link();
  if (link.IsDeviceOpen() && m_ctx.mirror.session.connection == ConnectionState::Connected) link.EnableQueue();
  m_ctx.mirror.ComputeAllChannelResponses();
  m_ctx.Publish(Change{.aspects = kAspectEverything, .outputs = kAllOutputs});
}

// --- the scene window's operations -------------------------------------------------------------

bool SceneService::LoadScene(int scene, MessageTarget* done) {
  if (!ValidScene(scene) || m_ctx.session.Busy()) return false;
  m_ctx.mirror.pendingScene = Byte(scene);
  SetCurrentScene(scene);
  DeviceLink& link = m_ctx.Link();
  // Live edits must not reach the box while it replaces its live settings.
  link.DisableQueue();
  const PerOutput<int> bands = BandCounts();
  return m_ctx.session.StartTask(
      [this, &link, scene, bands, done] {
        LogPrintA("LoadSenceThread start!\n");
        ReadScene(link, Byte(scene), kLiveSceneByte);
        m_ctx.session.PC_UI_Status_Init(bands);
        PostTo(done, WM_CLOSE_LOADING);
        LogPrintA("LoadSenceThread end!\n");
      },
      [this] { LiveSettingsRead(); });
}

bool SceneService::ReadBackLiveSettings() {
  if (m_ctx.session.Busy() || !m_ctx.Link().IsDeviceOpen()) return false;
  m_ctx.Link().DisableQueue();
  const PerOutput<int> bands = BandCounts();
  // The loading window keeps the user from editing what the read replaces; it is asked for
  // before the task can post its end.
  m_ctx.session.Post(WM_SHOW_LOADING);
  return m_ctx.session.StartTask(
      [this, bands] {
        m_ctx.session.PC_UI_Status_Init(bands);
        m_ctx.session.Post(WM_CLOSE_LOADING);
      },
      [this] { LiveSettingsRead(); });
}

SceneNameCheck SceneService::CheckName(int scene, std::u16string_view name) const {
  return CheckSceneName(m_ctx.mirror.sceneNames, scene, name, m_ctx.mirror.session.codePage);
}

bool SceneService::SaveScene(int scene, std::u16string_view name, MessageTarget* done) {
  if (!ValidScene(scene) || m_ctx.session.Busy()) return false;
  if (const SceneNameCheck check = CheckName(scene, name); !check.Ok()) {
    LogPrintA("scene %d not saved: %s\n", scene, SceneNameProblemText(check).c_str());
    return false;
  }
  const std::string bytes = ToCodePage(name, m_ctx.mirror.session.codePage);
  std::array<char, kSceneNameBytes> pending{};
  std::copy_n(bytes.begin(), std::min(bytes.size(), pending.size() - 1), pending.begin());
  DeviceLink& link = m_ctx.Link();
  const bool started = m_ctx.session.StartTask([&link, scene, pending, done] {
    LogPrintA("SaveSenceThread start!\n");
    const auto* nameBytes = reinterpret_cast<const std::uint8_t*>(pending.data());
    qb::SetSceneName(link, Byte(scene), std::span<const std::uint8_t>(nameBytes, pending.size()));
    qb::SaveScene(link, Byte(scene), false);
    PostTo(done, WM_CLOSE_LOADING);
    LogPrintA("SaveSenceThread end!\n");
  });
  if (!started) return false;
  // The name shows once the box has been asked to keep it, never for a save that did not
  // start.
  m_ctx.mirror.pendingSceneName = pending;
  m_ctx.mirror.pendingScene = Byte(scene);
  m_ctx.mirror.sceneValid |= 1u << (scene - kFirstStoredScene);
  SetSceneName(scene, name);
  SetCurrentScene(scene);
  return true;
}

bool SceneService::DeleteScene(int scene, MessageTarget* done) {
  if (!ValidScene(scene) || m_ctx.session.Busy()) return false;
  m_ctx.mirror.pendingScene = Byte(scene);
  SetCurrentScene(scene);
  SetSceneName(scene, u"");
  m_ctx.mirror.sceneValid &= ~(1u << (scene - kFirstStoredScene));
  DeviceLink& link = m_ctx.Link();
  return m_ctx.session.StartTask([&link, scene, done] {
    LogPrintA("DeleteSenceThread start!\n");
    qb::DeleteScene(link, Byte(scene));
    // The window also closes its loading window on the box's notice; a box that sends none
    // must not leave it open.
    PostTo(done, WM_CLOSE_LOADING);
    LogPrintA("DeleteSenceThread end!\n");
  });
}

// --- profile files ------------------------------------------------------------------------------

ProfileFileResult SceneService::SaveSceneProfile(const std::string& path) {
  LogPrintA("%s\n", "EqualizerManager::SaveSenceConfigToFile");
  return WriteSceneProfileFile(m_ctx.Live(), path);
}

ProfileFileResult SceneService::LoadSceneProfile(const std::string& path) {
  LogPrintA("%s\n", "EqualizerManager::LoadSenceConfigFromFile");
  // Nothing is read while the box cannot take it: the window would show a file the box
  // never heard of.
  if (m_ctx.session.Busy() || !m_ctx.Link().IsDeviceOpen()) return ProfileFileResult::TaskBusy;
  // Read into a copy: a damaged file leaves the mirror as it was.
  Profile read = m_ctx.Live();
  const ProfileFileResult result = ReadSceneProfileFile(path, read);
  if (result != ProfileFileResult::Ok) return result;
  FitLiveToBox(read, m_ctx.Live());
  DeviceLink& link = m_ctx.Link();
  // Before the task can post its end.
  m_ctx.session.Post(WM_SHOW_LOADING);
  if (!m_ctx.session.StartTask([this, &link, read] {
        LogPrintA("SetCurSceneThread start!\n");
        SetReadCurProfileToMCU(link, read);
        m_ctx.session.Post(WM_CLOSE_LOADING);
        LogPrintA("SetCurSceneThread end!\n");
      })) {
    return ProfileFileResult::TaskBusy;
  }
  const ChangeHub::Batch batch(m_ctx.changes);
  m_ctx.Live() = read;
  m_ctx.mirror.ComputeAllChannelResponses();
  m_ctx.Publish(Change{.aspects = kAspectEverything, .outputs = kAllOutputs});
  return result;
}

bool SceneService::SaveWholeProfile(const std::string& path, std::function<void(ProfileFileResult)> finished) {
  LogPrintA("%s\n", "EqualizerManager::SaveWholeConfigToFile");
  if (m_ctx.session.Busy()) return false;
  m_ctx.mirror.wholeProfilePath = path;
  const PerOutput<int> bands = BandCounts();
  DeviceLink& link = m_ctx.Link();
  m_ctx.session.Post(WM_SHOW_LOADING);
  // Whether the box was still there when the reads ended; read after the task has ended.
  auto boxStayed = std::make_shared<std::atomic<bool>>(false);
  return m_ctx.session.StartTask(
      [this, &link, bands, boxStayed] {
        LogPrintA("SaveWholeSceneThread start!\n");
        for (int n = kFirstStoredScene; n <= kLastStoredScene; ++n) ReadStoredScene(link, Byte(n), bands);
        ReadScene(link, kLiveSceneByte, kLiveSceneByte);
        const bool readOut = m_ctx.session.PC_UI_Status_Init(bands) >= 0;
        boxStayed->store(readOut && link.IsDeviceOpen());
        m_ctx.session.Post(WM_CLOSE_LOADING);
        LogPrintA("SaveWholeSceneThread end!\n");
      },
      [this, path, boxStayed, finished = std::move(finished)] {
        // A box that left part way answered only some reads: the mirror holds a mix of the
        // box and what it held before, which must not replace the user's older file.
        if (!boxStayed->load() || m_ctx.mirror.session.connection != ConnectionState::Connected) {
          LogPrintA("the box left during the read: %s was not written\n", path.c_str());
          LiveSettingsRead();
          if (finished) finished(ProfileFileResult::BoxLeft);
          return;
        }
        // Every reply of the reads has been applied by now: the mirror holds the box.
        // A slot that holds no scene answers with erased flash, values no profile file may
        // hold, and a file with them would be refused by every load. Such a slot is kept at
        // the defaults instead; the read-out that ended the task has just asked the box
        // which slots hold a scene.
        for (int n = kFirstStoredScene; n <= kLastStoredScene; ++n) {
          if ((m_ctx.mirror.sceneValid >> (n - kFirstStoredScene) & 1u) == 0)
            m_ctx.mirror.scenes[At(n - kFirstStoredScene)] = Profile{};
        }
        WholeProfile whole;
        whole.current = m_ctx.Live();
        whole.scenes = m_ctx.mirror.scenes;
        whole.names = m_ctx.mirror.sceneNames;
        whole.valid = static_cast<std::uint16_t>(m_ctx.mirror.sceneValid & kAllScenesValid);
        const ProfileFileResult result = WriteWholeProfileFile(whole, path);
        LiveSettingsRead();
        if (finished) finished(result);
      });
}

ProfileFileResult SceneService::LoadWholeProfile(const std::string& path) {
  LogPrintA("%s\n", "EqualizerManager::LoadWholeConfigFromFile");
  if (m_ctx.session.Busy() || !m_ctx.Link().IsDeviceOpen()) return ProfileFileResult::TaskBusy;
  // Read into a copy: a damaged file leaves the mirror as it was.
  WholeProfile read{m_ctx.Live(), m_ctx.mirror.scenes, m_ctx.mirror.sceneNames};
  const ProfileFileResult result = ReadWholeProfileFile(path, read);
  if (result != ProfileFileResult::Ok) return result;
  const std::string codePage = m_ctx.mirror.session.codePage;
  // A name the box cannot keep would be stored as something else, and a name twice makes
  // two scenes the user cannot tell apart: the file is refused before anything is sent.
  if (const SceneNameSetCheck names = CheckSceneNames(read.names, codePage); !names.check.Ok()) {
    LogPrintA("scene %d of the file: %s\n", names.scene, SceneNameProblemText(names.check).c_str());
    return ProfileFileResult::SceneNameRefused;
  }
  const Profile& box = m_ctx.Live();
  FitLiveToBox(read.current, box);
  for (std::size_t s = 0; s < kSceneSlots; ++s) {
    FitToBox(read.scenes[s], box);
    if ((read.valid >> s & 1u) == 0) read.names[s] = SceneName{};
  }
  const auto emptyBefore = static_cast<std::uint16_t>(~m_ctx.mirror.sceneValid & kAllScenesValid);
  DeviceLink& link = m_ctx.Link();
  m_ctx.session.Post(WM_SHOW_LOADING);
  if (!m_ctx.session.StartTask([this, &link, read, codePage, emptyBefore] {
        LogPrintA("SetWholeProfileThread start!\n");
        SetReadWholeProfileToMCU(link, read, codePage, emptyBefore);
        // The live settings went out queued: the loading window stays until they are sent.
        WaitForQueuedCommands(link, kLiveDrainLimit);
        m_ctx.session.Post(WM_CLOSE_LOADING);
        LogPrintA("SetWholeProfileThread end!\n");
      })) {
    return ProfileFileResult::TaskBusy;
  }
  m_ctx.mirror.wholeProfilePath = path;
  const ChangeHub::Batch batch(m_ctx.changes);
  m_ctx.Live() = read.current;
  m_ctx.mirror.scenes = read.scenes;
  m_ctx.mirror.sceneNames = read.names;
  m_ctx.mirror.sceneValid = read.valid;
  m_ctx.mirror.ComputeAllChannelResponses();
  m_ctx.Publish(Change{.aspects = kAspectEverything, .outputs = kAllOutputs});
  return result;
}

}  // namespace qb

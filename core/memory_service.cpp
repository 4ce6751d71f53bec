#include "core/memory_service.h"

#include "devicelink/device_link.h"
#include "devicelink/memory_commands.h"
#include "shell/log.h"

namespace qb {

std::optional<MemoryWord> MemoryWordOf(const ReplyMessage& message) {
  if (message.number != WM_MEM_REPLY) return std::nullopt;
  const auto* record = message.RecordAs<MemDataRecord>();
  if (!record) return std::nullopt;
  return MemoryWord{record->address, record->data};
}

void MemoryService::AttachWindow(MessageTarget* target) {
  m_link.Register(ReplySlot::MemoryWindowHandle, target);
}

void MemoryService::DetachWindow(MessageTarget* target) {
  if (target) m_link.Unregister(target);
}

bool MemoryService::Read(std::uint32_t address) { return Get_MemData(m_link, address); }

bool MemoryService::Write(std::uint32_t address, std::uint32_t data) {
  // The queue is switched on and off only on this thread, so it cannot close between this
  // check and the submission.
  if (!m_link.IsDeviceOpen() || !m_link.QueueEnabled()) {
    LogPrintA("Set_MemData not sent, the link takes no commands now: addr(0x%08x), data(0x%08x)\n", address, data);
    return false;
  }
  Set_MemData(m_link, address, data, false);
  return true;
}

}  // namespace qb

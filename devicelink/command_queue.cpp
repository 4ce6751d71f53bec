#include "devicelink/command_queue.h"

#include <utility>

namespace qb {

void CommandQueue::Push(CommandDescriptor command) {
  {
    std::lock_guard<std::mutex> lock(m_lock);
    m_entries.push_back(std::move(command));
  }
  m_pushed.notify_one();
}

std::optional<CommandDescriptor> CommandQueue::Pop(std::chrono::milliseconds wait) {
  std::unique_lock<std::mutex> lock(m_lock);
  m_pushed.wait_for(lock, wait, [this] { return m_woken || !m_entries.empty(); });
  if (m_entries.empty()) return std::nullopt;
  CommandDescriptor front = std::move(m_entries.front());
  m_entries.pop_front();
  return front;
}

void CommandQueue::Wake() {
  {
    std::lock_guard<std::mutex> lock(m_lock);
    m_woken = true;
  }
  m_pushed.notify_all();
}

std::deque<CommandDescriptor> CommandQueue::TakeAll() {
  std::lock_guard<std::mutex> lock(m_lock);
  return std::exchange(m_entries, {});
}

std::size_t CommandQueue::Size() const {
  std::lock_guard<std::mutex> lock(m_lock);
  return m_entries.size();
}

}  // namespace qb

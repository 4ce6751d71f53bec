#pragma once
/// A thread running one function with one argument; destroying the object (or Join) waits
/// without limit for the thread to end.

#include <functional>
#include <thread>
#include <utility>

namespace qb {

class JoinableThread {
 public:
  JoinableThread() = default;
  template <typename Function, typename Argument>
  JoinableThread(Function function, Argument argument)
      : m_thread(std::move(function), std::move(argument)) {}
  ~JoinableThread() { Join(); }
  JoinableThread(JoinableThread&&) noexcept = default;
  JoinableThread& operator=(JoinableThread&& other) noexcept {
    Join();
    m_thread = std::move(other.m_thread);
    return *this;
  }
  JoinableThread(const JoinableThread&) = delete;
  JoinableThread& operator=(const JoinableThread&) = delete;

  /// Waits for the thread to end; does nothing if there is none or it was joined already.
  void Join() {
    if (m_thread.joinable()) m_thread.join();
  }
  bool Joinable() const { return m_thread.joinable(); }

 private:
  std::thread m_thread;
};

}  // namespace qb

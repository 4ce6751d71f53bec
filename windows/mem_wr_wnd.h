#pragma once
/// The memory window, a service tool behind the debug button: reads and writes single
/// 32-bit words of the DSP's memory by address. Both values are shown as "0x%08x" and
/// remembered in the settings file, so the window opens on the last address and word used.
/// The box's answer to a read comes to this window alone while it is open.

#include <cstdint>
#include <optional>

#include "windows/dialog_base.h"

namespace qb {
class MemoryService;
}
namespace qb::ui {
class Edit;
}

namespace qb::windows {

/// A value as the memory window shows it: "0x" and eight lower-case hexadecimal digits.
QString MemoryWordText(std::uint32_t value);

class CMemWrWnd : public DialogBase {
  Q_OBJECT
 public:
  CMemWrWnd(QWidget* owner, MemoryService& memory);
  ~CMemWrWnd() override;

  QString ClassName() const override { return QStringLiteral("MemWrWnd"); }
  QString LayoutId() const override { return QStringLiteral("XML_MEM_WR"); }

 protected:
  void OnInit() override;
  void HandleCustomMessage(ReplyMessage& message, bool& handled) override;

 private:
  void Read();
  void Write();
  /// The number typed in `edit`; nothing, after telling the user which text was refused,
  /// when the text is not wholly a number or the number needs more than 32 bits.
  std::optional<std::uint32_t> Typed(const ui::Edit* edit);
  void ShowAddress(std::uint32_t address);
  void ShowData(std::uint32_t word);
  void Tell(const QString& text);

  MemoryService& m_memory;
  ui::Edit* m_address = nullptr;
  ui::Edit* m_data = nullptr;
};

/// Opens the memory window on `owner` and runs it until it is closed; returns the close code
/// (0 when it cannot be built).
int ShowMemoryWindow(QWidget* owner, MemoryService& memory);

}  // namespace qb::windows

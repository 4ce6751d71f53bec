#include "windows/mem_wr_wnd.h"

#include "core/memory_service.h"
#include "core/number_text.h"
#include "shell/log.h"
#include "shell/settings.h"
#include "ui/buttons.h"
#include "ui/edit.h"
#include "ui/language_tables.h"
#include "ui/message_port.h"
#include "windows/message_box.h"
#include "windows/text_format.h"

namespace qb::windows {
namespace {

/// The settings file keeps the words as signed decimal, as it always has: a word from
/// 0x80000000 on is stored negative and read back to the same 32 bits.
std::uint32_t Remembered(const char* key) { return static_cast<std::uint32_t>(ReadConfigInt(key, 0)); }
void Remember(const char* key, std::uint32_t value) { WriteConfigInt(key, static_cast<int>(value)); }

/// How much of a refused number the message repeats.
constexpr int kShownDigits = 24;

}  // namespace

QString MemoryWordText(std::uint32_t value) { return QString::asprintf("0x%08x", value); }

CMemWrWnd::CMemWrWnd(QWidget* owner, MemoryService& memory) : DialogBase(owner), m_memory(memory) {}

CMemWrWnd::~CMemWrWnd() {
  // The port refuses posts once the window is gone; leaving the slot also keeps the link
  // from decoding answers for nobody.
  m_memory.DetachWindow(Port().get());
}

void CMemWrWnd::OnInit() {
  ApplyOwnerScale();
  m_address = Require<ui::Edit>(QStringLiteral("addr_edit"));
  m_data = Require<ui::Edit>(QStringLiteral("data_edit"));
  Bind(Require<ui::Button>(QStringLiteral("read_btn")), ui::Event::Click, [this] { Read(); });
  Bind(Require<ui::Button>(QStringLiteral("write_btn")), ui::Event::Click, [this] { Write(); });
  Bind(Require<ui::Button>(QStringLiteral("closebtn")), ui::Event::Click, [this] { Close(kCodeCancel); });
  ShowTitle(FindControl(QStringLiteral("MessageTitle")), QStringLiteral("${memory_rw}"));
  if (!m_address || !m_data) return;
  ShowAddress(Remembered(kMemoryAddressKey));
  ShowData(Remembered(kMemoryDataKey));
  m_address->setFocus(Qt::OtherFocusReason);
  m_memory.AttachWindow(Port().get());
}

void CMemWrWnd::Read() {
  const auto address = Typed(m_address);
  if (!address) return;
  ShowAddress(*address);
  LogPrintA("read_btn read dsp mem, addr(0x%08x)\n", *address);
  m_memory.Read(*address);
}

void CMemWrWnd::Write() {
  const auto address = Typed(m_address);
  if (!address) return;
  const auto word = Typed(m_data);
  if (!word) return;
  ShowAddress(*address);
  ShowData(*word);
  LogPrintA("write_btn write dsp mem, addr(0x%08x), data(0x%08x)\n", *address, *word);
  if (!m_memory.Write(*address, *word)) Tell(QStringLiteral("${mem_write_not_sent}"));
}

std::optional<std::uint32_t> CMemWrWnd::Typed(const ui::Edit* edit) {
  const QString text = edit->text().trimmed();
  // Characters beyond ASCII are no digits; as UTF-8 they stay none.
  const std::string typed = text.toUtf8().toStdString();
  // A pasted page would not fit the message box; its start says enough.
  const QString shown = text.size() > kShownDigits ? text.left(kShownDigits) + QChar(0x2026) : text;
  // The whole text is the number, as the command-line tool takes it: "0x1g" is no address
  // and "12abc" no word, never the digits before the typo.
  if (typed.empty() || NumberTextLength(typed) != typed.size()) {
    LogPrintA("not a number: \"%s\"\n", shown.toUtf8().constData());
    Tell(FillPlaceholders(ui::Tr(QStringLiteral("${mem_not_a_number}")), {shown}));
    return std::nullopt;
  }
  const auto value = ParseNumberText(typed);
  if (!value) {
    LogPrintA("number too large for 32 bits: %s\n", shown.toUtf8().constData());
    Tell(FillPlaceholders(ui::Tr(QStringLiteral("${mem_number_too_large}")), {shown}));
  }
  return value;
}

void CMemWrWnd::ShowAddress(std::uint32_t address) {
  m_address->setText(MemoryWordText(address));
  Remember(kMemoryAddressKey, address);
}

void CMemWrWnd::ShowData(std::uint32_t word) {
  m_data->setText(MemoryWordText(word));
  Remember(kMemoryDataKey, word);
}

void CMemWrWnd::Tell(const QString& text) {
  ShowMessageBox(this, QStringLiteral("${tips}"), text, {QStringLiteral("${confirm}")});
}

void CMemWrWnd::HandleCustomMessage(ReplyMessage& message, bool& handled) {
  const auto word = MemoryWordOf(message);
  handled = message.number == WM_MEM_REPLY;
  if (!word) return;
  LogPrintA("mem data = addr(0x%08x), data(0x%08x)\n", word->address, word->data);
  ShowAddress(word->address);
  ShowData(word->data);
}

int ShowMemoryWindow(QWidget* owner, MemoryService& memory) {
  DialogHolder<CMemWrWnd> window(owner, memory);
  window->Build(QStringLiteral("memwrwnd"));
  return window->Run();
}

}  // namespace qb::windows

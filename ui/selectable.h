#pragma once
/// A control with a selected state that only the program sets (the connect and amplifier
/// buttons): setting it raises no notification.

namespace qb::ui {

class Selectable {
 public:
  virtual ~Selectable() = default;
  virtual void SetSelected(bool selected) = 0;
  virtual bool IsSelected() const = 0;
};

}  // namespace qb::ui

#pragma once
/// Controls of the program's own classes take the layout attributes the builder does not
/// know itself ("curvecolor", "selectedimage", ...) through this interface.

#include <QString>

namespace qb::ui {

class AttributeSink {
 public:
  virtual ~AttributeSink() = default;
  /// Applies one layout attribute. Returns false when the name is unknown to the control,
  /// which the layout builder reports as an error.
  virtual bool SetAttribute(const QString& name, const QString& value) = 0;
};

/// Parses "#AARRGGBB" or "#RRGGBB" (the "#" is optional). Returns false on bad text.
bool ParseSkinColor(const QString& text, unsigned& argb);

}  // namespace qb::ui

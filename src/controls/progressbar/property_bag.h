// The container's store of saved control properties: typed values under keys
// matched without regard to case, the instance's ambient display name and font,
// and the dirty flag a control raises when one of its properties changes.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <variant>
#include <vector>

#include "controls/progressbar/colour_maths.h"

namespace sb {

struct FontDesc {
  std::wstring name;
  double points = 0;
  int weight = 400;  // 400 normal, 700 bold
  int charset = 0;
  bool italic = false;
  bool underline = false;
  bool strikethrough = false;

  bool Bold() const { return weight >= 600; }
  bool operator==(const FontDesc&) const = default;
};

// A colour kept apart from plain integers so that a store can tell them apart.
struct ColourValue {
  Colour bgr = 0;
  bool operator==(const ColourValue&) const = default;
};

using PropValue = std::variant<std::int32_t, bool, ColourValue, std::wstring, FontDesc>;

struct Ambient {
  std::wstring displayName;  // e.g. "ProgressBar1"
  FontDesc font;
};

bool KeysEqual(std::wstring_view a, std::wstring_view b);

class PropertyBag {
 public:
  PropertyBag() = default;
  explicit PropertyBag(Ambient ambient) : ambient_(std::move(ambient)) {}
  PropertyBag(const PropertyBag&) = default;
  PropertyBag& operator=(const PropertyBag&) = default;
  virtual ~PropertyBag() = default;

  const Ambient& ambient() const { return ambient_; }
  const std::wstring& DisplayName() const { return ambient_.displayName; }
  const FontDesc& AmbientFont() const { return ambient_.font; }
  void SetAmbient(Ambient ambient) { ambient_ = std::move(ambient); }

  // Stored value, or nothing when the key is absent.
  virtual std::optional<PropValue> Read(std::wstring_view key) const;
  // Stores `value` unless it equals `defaultValue`; then any stored value is
  // dropped, so that reading back with the same default gives the same value.
  virtual void Write(std::wstring_view key, const PropValue& value, const PropValue& defaultValue);

  // Typed reads with a default for an absent key. Nothing when the stored value
  // cannot be converted to the asked type.
  std::optional<std::int32_t> ReadInt(std::wstring_view key, std::int32_t def) const;
  std::optional<bool> ReadBool(std::wstring_view key, bool def) const;
  std::optional<Colour> ReadColour(std::wstring_view key, Colour def) const;
  std::optional<std::wstring> ReadText(std::wstring_view key, const std::wstring& def) const;
  std::optional<FontDesc> ReadFont(std::wstring_view key, const FontDesc& def) const;

  // Plain store access: insert or replace (keeping the first spelling and place).
  void Set(std::wstring_view key, PropValue value);
  bool Remove(std::wstring_view key);
  const PropValue* Find(std::wstring_view key) const;
  const std::vector<std::pair<std::wstring, PropValue>>& entries() const { return entries_; }

  // Change notification from the control placed in this container.
  void MarkChanged(std::wstring_view key);
  bool Dirty() const { return dirty_; }
  void ClearDirty() { dirty_ = false; }
  void OnChanged(std::function<void(std::wstring_view key)> callback) { onChanged_ = std::move(callback); }

 private:
  Ambient ambient_;
  std::vector<std::pair<std::wstring, PropValue>> entries_;
  bool dirty_ = false;
  std::function<void(std::wstring_view)> onChanged_;
};

}  // namespace sb

// Late-bound access to a control's members. A control registers its
// properties and methods once, at construction, each with a name and a
// dispatch id; a host then reads and writes properties and calls methods by
// name (ASCII case ignored) or by id. Properties and methods share one id
// space. Values are converted to the member's declared type on the way in and
// on the way out. No call lets an exception escape: failures come back as a
// Status (see status.h for the numbers).
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

#include "automation/names.h"
#include "automation/status.h"
#include "automation/variant.h"

namespace cw::automation {

using DispId = std::int32_t;
using Args = std::vector<Variant>;

struct Param {
  Param(std::string name, VariantType type, bool optional = false, Variant defaultValue = {})
      : name(std::move(name)),
        type(type),
        optional(optional),
        defaultValue(std::move(defaultValue)) {}
  std::string name;
  VariantType type = VariantType::Empty;  // Empty: any value, passed unconverted
  bool optional = false;
  Variant defaultValue;  // used when an optional argument is left out
};

struct PropertyDef {
  PropertyDef(std::string name, DispId id, VariantType type, std::function<Variant()> get,
              std::function<Status(const Variant&)> set = nullptr)
      : name(std::move(name)), id(id), type(type), get(std::move(get)), set(std::move(set)) {}
  std::string name;
  DispId id = 0;
  VariantType type = VariantType::Empty;
  std::function<Variant()> get;
  // Receives the value already converted to `type`. Absent: read-only.
  std::function<Status(const Variant&)> set;
};

struct MethodDef {
  MethodDef(std::string name, DispId id, VariantType result, std::vector<Param> params,
            std::function<Variant(const Args&)> invoke)
      : name(std::move(name)),
        id(id),
        result(result),
        params(std::move(params)),
        invoke(std::move(invoke)) {}
  std::string name;
  DispId id = 0;
  VariantType result = VariantType::Empty;  // Empty: the method returns nothing
  std::vector<Param> params;
  // Receives exactly params.size() arguments, converted, defaults filled in.
  std::function<Variant(const Args&)> invoke;
};

class Dispatch {
 public:
  Dispatch() = default;
  virtual ~Dispatch() = default;
  Dispatch(const Dispatch&) = delete;
  Dispatch& operator=(const Dispatch&) = delete;

  // Registration. False when the name or the id is already taken.
  bool addProperty(PropertyDef property);
  bool addMethod(MethodDef method);

  const std::vector<PropertyDef>& properties() const { return properties_; }
  const std::vector<MethodDef>& methods() const { return methods_; }
  // Dispatch id of a member, or kNoMember.
  static constexpr DispId kNoMember = -1;
  DispId idOf(std::string_view name) const;

  Status getProperty(std::string_view name, Variant& out);
  Status getProperty(DispId id, Variant& out);
  Status setProperty(std::string_view name, const Variant& value);
  Status setProperty(DispId id, const Variant& value);
  Status invoke(std::string_view name, const Args& args, Variant& result);
  Status invoke(DispId id, const Args& args, Variant& result);

  // The host's "this control has unsaved design-time changes" mark.
  bool isModified() const { return modified_; }
  void setModified(bool modified = true) { modified_ = modified; }

 private:
  struct Slot {
    bool isMethod = false;
    std::size_t index = 0;
  };

  const Slot* find(std::string_view name) const;
  const Slot* find(DispId id) const;
  bool addSlot(const std::string& name, DispId id, Slot slot);

  Status get(const Slot* slot, Variant& out);
  Status set(const Slot* slot, const Variant& value);
  Status call(const Slot* slot, const Args& args, Variant& result);

  std::vector<PropertyDef> properties_;
  std::vector<MethodDef> methods_;
  std::map<std::string, Slot, LessNoCase> byName_;
  std::unordered_map<DispId, Slot> byId_;
  bool modified_ = false;
};

// Message for a conversion failure of `what` ("property 'X'", "argument 'a' of 'M'").
Status conversionError(int code, const std::string& what, VariantType target);

}  // namespace cw::automation

#include "automation/dispatch.h"

#include <exception>
#include <new>

namespace cw::automation {

namespace {

// Runs a member's code and turns anything it throws into a Status.
template <typename Body>
Status guarded(const std::string& memberName, Body&& body) {
  try {
    return body();
  } catch (const std::bad_alloc&) {
    return Status::error(kOutOfMemory, "out of memory in '" + memberName + "'");
  } catch (const std::exception& e) {
    return Status::error(kMemberFailed, "'" + memberName + "' failed: " + e.what());
  } catch (...) {
    return Status::error(kMemberFailed, "'" + memberName + "' failed");
  }
}

Status unknownName(std::string_view name) {
  return Status::error(kUnknownMember, "unknown member '" + std::string(name) + "'");
}

Status unknownId(DispId id) {
  return Status::error(kUnknownMember, "unknown dispatch id " + std::to_string(id));
}

}  // namespace

Status conversionError(int code, const std::string& what, VariantType target) {
  std::string reason = code == kOverflow ? "value out of range for " : "type mismatch: expected ";
  return Status::error(code, reason + typeName(target) + " in " + what);
}

bool Dispatch::addSlot(const std::string& name, DispId id, Slot slot) {
  if (byName_.count(name) != 0 || byId_.count(id) != 0) return false;
  byName_.emplace(name, slot);
  byId_.emplace(id, slot);
  return true;
}

bool Dispatch::addProperty(PropertyDef property) {
  if (!addSlot(property.name, property.id, Slot{false, properties_.size()})) return false;
  properties_.push_back(std::move(property));
  return true;
}

bool Dispatch::addMethod(MethodDef method) {
  if (!addSlot(method.name, method.id, Slot{true, methods_.size()})) return false;
  methods_.push_back(std::move(method));
  return true;
}

DispId Dispatch::idOf(std::string_view name) const {
  const Slot* slot = find(name);
  if (slot == nullptr) return kNoMember;
  return slot->isMethod ? methods_[slot->index].id : properties_[slot->index].id;
}

const Dispatch::Slot* Dispatch::find(std::string_view name) const {
  auto it = byName_.find(name);
  return it == byName_.end() ? nullptr : &it->second;
}

const Dispatch::Slot* Dispatch::find(DispId id) const {
  auto it = byId_.find(id);
  return it == byId_.end() ? nullptr : &it->second;
}

Status Dispatch::getProperty(std::string_view name, Variant& out) {
  const Slot* slot = find(name);
  return slot ? get(slot, out) : unknownName(name);
}

Status Dispatch::getProperty(DispId id, Variant& out) {
  const Slot* slot = find(id);
  return slot ? get(slot, out) : unknownId(id);
}

Status Dispatch::setProperty(std::string_view name, const Variant& value) {
  const Slot* slot = find(name);
  return slot ? set(slot, value) : unknownName(name);
}

Status Dispatch::setProperty(DispId id, const Variant& value) {
  const Slot* slot = find(id);
  return slot ? set(slot, value) : unknownId(id);
}

Status Dispatch::invoke(std::string_view name, const Args& args, Variant& result) {
  const Slot* slot = find(name);
  return slot ? call(slot, args, result) : unknownName(name);
}

Status Dispatch::invoke(DispId id, const Args& args, Variant& result) {
  const Slot* slot = find(id);
  return slot ? call(slot, args, result) : unknownId(id);
}

Status Dispatch::get(const Slot* slot, Variant& out) {
  if (slot->isMethod) {
    const std::string& name = methods_[slot->index].name;
    return Status::error(kUnknownMember, "'" + name + "' is a method, not a property");
  }
  const PropertyDef& property = properties_[slot->index];
  return guarded(property.name, [&] {
    Variant value = property.get ? property.get() : Variant();
    Variant converted;
    if (value.convertTo(property.type, converted) != kOk)
      return Status::error(kMemberFailed, "property '" + property.name + "' returned a " +
                                              typeName(value.type()) + " value");
    out = std::move(converted);
    return Status::success();
  });
}

Status Dispatch::set(const Slot* slot, const Variant& value) {
  if (slot->isMethod) {
    const std::string& name = methods_[slot->index].name;
    return Status::error(kUnknownMember, "'" + name + "' is a method, not a property");
  }
  const PropertyDef& property = properties_[slot->index];
  if (!property.set)
    return Status::error(kReadOnly, "property '" + property.name + "' is read-only");
  Variant converted;
  if (int code = value.convertTo(property.type, converted); code != kOk)
    return conversionError(code, "property '" + property.name + "'", property.type);
  return guarded(property.name, [&] { return property.set(converted); });
}

Status Dispatch::call(const Slot* slot, const Args& args, Variant& result) {
  if (!slot->isMethod) {
    const std::string& name = properties_[slot->index].name;
    return Status::error(kUnknownMember, "'" + name + "' is a property, not a method");
  }
  const MethodDef& method = methods_[slot->index];
  std::size_t required = 0;
  for (const Param& param : method.params)
    if (!param.optional) ++required;
  if (args.size() < required || args.size() > method.params.size())
    return Status::error(kWrongArgCount, "'" + method.name + "' takes " +
                                             std::to_string(method.params.size()) +
                                             " argument(s), got " + std::to_string(args.size()));
  return guarded(method.name, [&] {
    Args converted(method.params.size());
    for (std::size_t i = 0; i < method.params.size(); ++i) {
      const Param& param = method.params[i];
      if (i >= args.size()) {
        converted[i] = param.defaultValue;
      } else if (int code = args[i].convertTo(param.type, converted[i]); code != kOk) {
        return conversionError(code, "argument '" + param.name + "' of '" + method.name + "'",
                               param.type);
      }
    }
    Variant value = method.invoke ? method.invoke(converted) : Variant();
    if (method.result == VariantType::Empty) {
      result = Variant();
    } else if (value.convertTo(method.result, result) != kOk) {
      return Status::error(kMemberFailed, "method '" + method.name + "' returned a " +
                                              typeName(value.type()) + " value");
    }
    return Status::success();
  });
}

}  // namespace cw::automation
